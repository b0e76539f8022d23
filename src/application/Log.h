#pragma once

#include <QString>
#include <QtGlobal>

namespace QuorvelClient {
namespace Application {

// Opens "quorvel_client_log.txt" in the working directory (truncating it) and installs messageHandler.
// Ends the process with "Cannot open log file" when the file cannot be opened.
void openLog();

} // namespace Application
} // namespace QuorvelClient

// Stamps each message with the local time and writes it to the log; warnings and worse are echoed to
// standard output, and a fatal message ends the process.
void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);
