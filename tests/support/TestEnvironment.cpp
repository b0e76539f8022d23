#include "support/TestEnvironment.h"

#include <QDir>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace TestSupport {

namespace {
std::string g_root;

void setEnv(const char* name, const std::string& value)
{
    ::setenv(name, value.c_str(), 1);
}
} // namespace

void prepareEnvironment()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quorvel-test-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        std::abort();
    g_root = pattern;
    for (const char* sub : {"/home", "/config", "/data", "/cache", "/tmp", "/work"})
        QDir().mkpath(QString::fromStdString(g_root + sub));
    setEnv("HOME", g_root + "/home");
    setEnv("XDG_CONFIG_HOME", g_root + "/config");
    setEnv("XDG_DATA_HOME", g_root + "/data");
    setEnv("XDG_CACHE_HOME", g_root + "/cache");
    setEnv("TMPDIR", g_root + "/tmp");
    if (!std::getenv("QT_QPA_PLATFORM"))
        setEnv("QT_QPA_PLATFORM", "offscreen");
    if (::chdir((g_root + "/work").c_str()) != 0)
        std::abort();
}

QString rootDir()
{
    return QString::fromStdString(g_root);
}

QString workDir()
{
    return QString::fromStdString(g_root + "/work");
}

void cleanupEnvironment()
{
    if (g_root.empty() || std::getenv("QUORVEL_KEEP_TEST_DIR"))
        return;
    (void)::chdir("/");
    QDir(QString::fromStdString(g_root)).removeRecursively();
}

} // namespace TestSupport
