#pragma once

#include <QString>

namespace QuorvelClient {
namespace Application {

// The two-letter code of the interface language; empty until the language is loaded at start-up.
QString currentLanguage();

// Installs the translators of the language whose name starts with the two letters of the text.
void loadLanguage(const QString& language);

} // namespace Application
} // namespace QuorvelClient

// Chooses the language from "common/language" or else the system locale, and loads it.
void setupLanguage();
