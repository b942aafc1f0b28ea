// The transcript box against a plain model of its transcript: random
// appends, bursts, flushes, timer ticks, reads, edits and limits. Any
// difference in text, line count or caret aborts.
#include "TranscriptDiff.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Each step is two bytes; longer inputs only repeat what shorter ones
    // reach, more slowly.
    const QString failure = transcriptdiff::Run(data, qMin<size_t>(size, 512))();
    if (!failure.isEmpty()) {
        fprintf(stderr, "transcript differs from the model: %s\n", qPrintable(failure));
        std::abort();
    }
    return 0;
}
