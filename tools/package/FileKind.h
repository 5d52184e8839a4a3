// What a file is, told by its content rather than its name: which Office Open XML package (by its
// main part's content type), a compound file (a password-protected package, a legacy PowerPoint
// or Excel binary file, or another program's document), a deck file (JSON), or none of these.
// A user's file may carry any name; a slide show saved as .zip or a workbook without an
// extension is still a workbook, and a legacy file renamed .pptx is still a legacy file.
#pragma once

#include <filesystem>
#include <string>

namespace office {

enum class FileKind {
    // Office Open XML presentations: .pptx .pptm .ppsx .ppsm .potx .potm
    Presentation, MacroPresentation, SlideShow, MacroSlideShow, PresentationTemplate, MacroPresentationTemplate,
    // Office Open XML workbooks: .xlsx .xlsm .xltx .xltm
    Workbook, MacroWorkbook, WorkbookTemplate, MacroWorkbookTemplate,
    Deck,                // a deck file: JSON
    LegacyPresentation,  // a binary PowerPoint file (.ppt .pps .pot): converted through LibreOffice's import
    LegacyWorkbook,      // a binary Excel file (.xls .xlt): the same
    Encrypted,           // a package saved with a password (EncryptedPackage in a compound file)
    WordDocument,        // .docx .docm .dotx .doc ...: holds no chart this tool converts
    OtherPackage,        // an Office Open XML package of another kind (Visio, a binary workbook .xlsb ...)
    OpenDocument,        // an OpenDocument file (.odp .ods .odt ...)
    OtherCompoundFile,   // a compound file of another program (Outlook message, Visio, installer ...)
    DamagedZip,          // starts as a zip, but its directory cannot be read
    Empty,
    NotOffice,           // none of the above
    Unreadable,          // missing, a folder, or not readable
};

// Reads the file's first bytes and, for a zip, [Content_Types].xml and the package relationships
// (each within a small bound); a compound file's directory entries. Never throws.
FileKind IdentifyFile(const std::filesystem::path& file);

// Which conversion a kind takes; None for every kind that is refused.
enum class FileFamily { None, Presentation, Workbook, Deck };
FileFamily FamilyOf(FileKind kind);

// Legacy binary files are imported to Office Open XML before the conversion.
bool NeedsImport(FileKind kind);

// The extension a converted file of this kind keeps (".ppsx", ".xltm", ".json"); a legacy file's
// is its imported form's (".pptx", ".xlsx"). "" for a refused kind.
const char* ExtensionOf(FileKind kind);

// "a slide show", "a legacy Excel workbook": what the kind is, for summaries and messages.
const char* NameOf(FileKind kind);

// Why a file of a refused kind is not converted, as "FILE: reason", saying what the file is and,
// where one exists, what the user can do. May read the file again for detail (the system's error
// for an unreadable file, the content type of a package of another kind).
std::string DescribeRefusal(const std::filesystem::path& file, FileKind kind);

}  // namespace office
