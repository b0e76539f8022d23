#pragma once

#include <QString>
#include <QStringList>

namespace TestSupport {

// Records every Qt message (debug and up) while it lives, as the message handler gets it.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();

    QStringList lines() const;
    bool contains(const QString& text) const;
    // True when no recorded line holds the text.
    bool absent(const QString& text) const { return !contains(text); }
    void clear();
};

} // namespace TestSupport
