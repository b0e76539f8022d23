#pragma once

#include <QApplication>

#include <memory>

namespace QuorvelClient {
namespace Application {

namespace Internal {
class SingleApplicationPrivate;
}

// The application object of a program that runs once per executable: the first start holds a lock file and
// listens on a local socket, both named after the executable's path; a later start reports isRunning().
class SingleApplication : public QApplication
{
    Q_OBJECT
public:
    SingleApplication(int& argc, char** argv);
    ~SingleApplication() override;

    bool isRunning() const;

private:
    std::shared_ptr<Internal::SingleApplicationPrivate> d;
};

} // namespace Application
} // namespace QuorvelClient
