#pragma once

#include <QTranslator>

namespace TestSupport {

// Installs the program's compiled Russian catalogue while it lives.
class RussianTranslator
{
public:
    RussianTranslator();
    ~RussianTranslator();

    bool isLoaded() const { return m_loaded; }

private:
    QTranslator m_translator;
    bool m_loaded;
};

} // namespace TestSupport
