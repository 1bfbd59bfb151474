#include "explain.h"

#include <QDir>

#include "filenames.h"
#include "nextstep.h"
#include "puzzlefile.h"
#include "solver.h"

int explainPuzzle(const QString& path, bool diagonal, QTextStream& out, QTextStream& errors,
                  Language language)
{
    const bool japanese = language == Language::Japanese;
    const std::optional<puzzlefile::Reading> reading = puzzlefile::read(path);
    if (!reading || !reading->isPuzzle()) {
        errors << "korvane: " << filenames::shown(QDir::toNativeSeparators(path)) << ": ";
        if (japanese)
            errors << (reading ? QStringLiteral("問題として読めません\n")
                               : QStringLiteral("ファイルを読めません\n"));
        else
            errors << (reading ? "no puzzle in this file\n" : "cannot be read\n");
        return 2;
    }
    // A search that gave up says nothing either way.
    const solver::Result solved = solver::solve(reading->entries(), diagonal);
    const bool notOne = solved.complete && solved.count != 1;
    if (notOne)
        out << (solved.count == 0 ? QStringLiteral("解がありません\n")
                                  : QStringLiteral("解が複数あります\n"));

    const nextstep::Walk walked =
        nextstep::walk(nextstep::boardOfGivens(reading->entries(), diagonal));
    for (size_t i = 0; i < walked.steps.size(); ++i) {
        const nextstep::Step& step = walked.steps[i];
        out << nextstep::name(step.technique) << '\t' << nextstep::notation(step) << '\t'
            << nextstep::explanation(step, walked.before[i]) << '\n';
    }
    if (walked.end.contradiction)
        out << nextstep::explanation(*walked.end.contradiction) << '\n';
    const qsizetype steps = qsizetype(walked.steps.size());
    if (japanese)
        out << (walked.end.solved ? QStringLiteral("解けました（")
                                  : QStringLiteral("行き詰まりました（"))
            << steps << QStringLiteral("手）\n");
    else
        out << (walked.end.solved ? "solved " : "stuck ") << steps << " steps\n";
    out << nextstep::rating(walked) << '\n';
    if (notOne)
        return 3;
    return walked.end.solved ? 0 : 1;
}
