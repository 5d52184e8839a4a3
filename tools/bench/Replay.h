// Measuring the plug-in's own time per automation call, without the stand-in's.
//
// The Excel stand-in logs every call, which costs far more than the plug-in's side of it. So a
// conversion is made once against the stand-in through a Recorder, which notes every answer
// (each Invoke's result or error, each QueryInterface and GetIDsOfNames), and then again against
// a Replay of those answers: an object that answers each call with the next recorded answer, at
// the cost of a copy. The replayed conversion makes the same calls in the same order; its time
// less the time of replaying the answers alone is the plug-in's own.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

namespace bench {

struct RecordedAnswer {
    enum class Call { Invoke, Query, Names } call;
    DISPID id = 0;          // the member invoked, or the identifier a name resolved to
    HRESULT hr = S_OK;
    VARIANT result{};       // owned; an object answer is kept as VT_DISPATCH with isObject set
    bool isObject = false;
    SCODE scode = 0;        // for DISP_E_EXCEPTION
    int description = -1;   // for DISP_E_EXCEPTION: the text's place in Recording::texts
};

class Recording {
public:
    Recording() = default;
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;
    std::vector<RecordedAnswer> answers;
    // The error texts, each once: a chart refuses thousands of calls with a handful of texts, and
    // a replayed refusal reads its text from here rather than from a copy of its own somewhere
    // in a large heap, which would make a refusal dearer to replay the larger the chart.
    std::vector<std::wstring> texts;
    int TextIndex(const std::wstring& text);
    long invokes() const;
};

// A recorder in front of inner (holding a reference to it); every object it hands back records
// into the same Recording.
IDispatch* NewRecorder(IDispatch* inner, Recording& recording);

// An object that answers with recording's answers in order; every object it hands out is itself.
//
// It also keeps the time at every kSegment-th answer, so that a run's time comes in segments of
// a few tens of microseconds. A run of a large chart lasts longer than the scheduler's time slice
// and on a busy machine is nearly always interrupted somewhere; the fastest time of each segment
// over several runs is not, whatever the chart's size.
class Replay final : public IDispatch {
public:
    static constexpr size_t kSegment = 1024;
    using Segments = std::vector<double>;  // seconds per segment of one run

    explicit Replay(const Recording& recording);
    // Starts a run: the first answer again, and the clock of the first segment.
    void Rewind();
    // The first answer again within the same run and segment: a small chart's conversions are
    // timed several in a row, so that each timing spans many ticks of the clock.
    void Restart() { next_ = 0; }
    // Ends a run: the time of each segment, the last one up to now.
    Segments Finish();
    // Calls that did not match the recording (a different call or member); 0 when replayed exactly.
    long mismatches() const { return mismatches_; }
    bool finished() const { return next_ == recording_.answers.size(); }
    // Every answer replayed by itself, with what a caller does with it afterwards; `times` over.
    Segments TimeAnswersAlone(int times = 1);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO* info,
                                     UINT*) override;

private:
    const RecordedAnswer* Take(RecordedAnswer::Call call, DISPID id);

    const Recording& recording_;
    size_t next_ = 0;
    long mismatches_ = 0;
    std::vector<double> marks_;  // the start, then the time at each kSegment-th answer
};

// Adds to best, segment by segment, the faster of its time and run's.
void KeepFastest(Replay::Segments& best, const Replay::Segments& run);
double Total(const Replay::Segments& segments);

double Now();

}  // namespace bench
