#include "support/RussianTranslator.h"

#include <QCoreApplication>

namespace TestSupport {

RussianTranslator::RussianTranslator()
    : m_loaded(m_translator.load(QStringLiteral(":/translations/QuorvelClient_ru.qm")))
{
    if (m_loaded)
        QCoreApplication::installTranslator(&m_translator);
}

RussianTranslator::~RussianTranslator()
{
    if (m_loaded)
        QCoreApplication::removeTranslator(&m_translator);
}

} // namespace TestSupport
