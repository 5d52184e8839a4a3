' A late-bound client of the COM server: creates each class by its ProgID and converts a chart
' of the Excel stand-in (QVSimExcel.SampleChart) through _ChartHandler by name, as a script
' or a macro would. The exit code is the number of failed checks.
Option Explicit

Dim failures : failures = 0

Sub Check(ok, what)
    If Not ok Then
        failures = failures + 1
        WScript.Echo "FAIL: " & what
    End If
End Sub

Function ErrText()
    ErrText = " (error " & Err.Number & ": " & Err.Description & ")"
    Err.Clear
End Function

On Error Resume Next

Dim handler : Set handler = CreateObject("QVCHBW01.ChartHandler")
Check Err.Number = 0, "create QVCHBW01.ChartHandler" & ErrText()

handler.OLEObjectHandler_BWPrintNoConfig Nothing
Check Err.Number = 0, "convert Nothing" & ErrText()

Dim sample : Set sample = CreateObject("QVSimExcel.SampleChart")
Check Err.Number = 0, "create the Excel stand-in" & ErrText()
Dim chart : Set chart = sample.Chart
Check Err.Number = 0 And IsObject(chart), "the stand-in's chart" & ErrText()
Check Not sample.IsBlackAndWhite, "the sample chart starts in colour"

' A variable goes by reference (a VARIANT holding the chart): the dispatch layer has to take
' the object out of it.
handler.OLEObjectHandler_BWPrintNoConfig chart
Check Err.Number = 0, "convert the chart" & ErrText()
Check sample.IsBlackAndWhite, "the chart is black and white after the conversion"
Check sample.CallCount > 0, "the conversion called the chart"

' The member takes exactly one argument; a member the interface does not have is refused.
handler.OLEObjectHandler_BWPrintNoConfig
Check Err.Number <> 0, "a call without its argument fails"
Err.Clear
handler.NoSuchMember
Check Err.Number = 438, "an unknown member is refused with 438" & ErrText()
Err.Clear

Set chart = Nothing
Set handler = Nothing
Check sample.OutstandingRefs = 0, "the conversion kept " & sample.OutstandingRefs & " chart references"

Dim graph : Set graph = CreateObject("QVCHBW01.GraphChartHandler")
Check Err.Number = 0, "create QVCHBW01.GraphChartHandler" & ErrText()
graph.OLEObjectHandler_BWPrintNoConfig Nothing
Check Err.Number = 438, "GraphChartHandler knows no members" & ErrText()
Err.Clear

Dim plugin : Set plugin = CreateObject("QVCHBW01.ExcelChartHandler")
Check Err.Number = 0, "create QVCHBW01.ExcelChartHandler" & ErrText()
Check IsObject(plugin), "ExcelChartHandler is an object"

If failures = 0 Then WScript.Echo "late-bound client: all checks passed"
WScript.Quit failures
