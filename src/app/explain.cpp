#include "explain.h"

#include <QDir>

#include "nextstep.h"
#include "puzzlefile.h"

int explainPuzzle(const QString& path, bool diagonal, QTextStream& out, QTextStream& errors)
{
    const std::optional<puzzlefile::Reading> reading = puzzlefile::read(path);
    if (!reading || !reading->isPuzzle()) {
        errors << "korvane: " << QDir::toNativeSeparators(path)
               << (reading ? ": no puzzle in this file\n" : ": cannot be read\n");
        return 2;
    }
    const nextstep::Walk walked =
        nextstep::walk(nextstep::boardOfGivens(reading->entries(), diagonal));
    for (size_t i = 0; i < walked.steps.size(); ++i) {
        const nextstep::Step& step = walked.steps[i];
        out << nextstep::name(step.technique) << '\t' << nextstep::notation(step) << '\t'
            << nextstep::explanation(step, walked.before[i]) << '\n';
    }
    if (walked.end.contradiction)
        out << nextstep::explanation(*walked.end.contradiction) << '\n';
    const bool solved = walked.end.solved;
    out << (solved ? "solved " : "stuck ") << walked.steps.size() << " steps\n";
    out << nextstep::rating(walked) << '\n';
    return solved ? 0 : 1;
}
