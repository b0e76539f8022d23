#pragma once

#include <QProcess>
#include <QString>

#include <cstdio>

namespace TestSupport {

// Runs this program again once for each part, each in a process of its own, so that one part's memory and caches
// do not reach the next; prints what each printed.
inline void runPartsApart(const char* program, int parts)
{
    for (int part = 0; part < parts; ++part) {
        QProcess run;
        run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        run.start(QString::fromLocal8Bit(program), {QString::number(part)});
        run.waitForFinished(-1);
        std::fputs(run.readAllStandardOutput().constData(), stdout);
    }
}

} // namespace TestSupport
