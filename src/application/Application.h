#pragma once

namespace QuorvelClient {
namespace Application {

// Start-up and shut-down of the program; returns the process exit code.
int runApplication(int& argc, char** argv);

} // namespace Application
} // namespace QuorvelClient
