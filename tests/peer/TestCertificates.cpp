#include "peer/TestCertificates.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSslConfiguration>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace TestSupport {
namespace TestCertificates {

namespace {

bool openssl(const QStringList& arguments, const QString& workDir)
{
    QProcess process;
    process.setWorkingDirectory(workDir);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        qWarning("openssl %s failed: %s", qPrintable(arguments.join(' ')), process.readAll().constData());
        return false;
    }
    return true;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

CertificateSet make(const QString& name)
{
    static QTemporaryDir root;
    const QString dir = root.path() + '/' + name;
    QDir().mkpath(dir);
    const QStringList ec = {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                            QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    CertificateSet set;
    if (!openssl(QStringList{"req", "-x509"} + ec +
                     QStringList{"-keyout", "ca.key", "-out", "ca.pem", "-days", "3", "-subj",
                                 "/CN=Quorvel Test CA " + name, "-addext", "basicConstraints=critical,CA:TRUE",
                                 "-addext", "keyUsage=critical,keyCertSign,cRLSign"},
                 dir))
        return set;
    if (!openssl(QStringList{"req"} + ec +
                     QStringList{"-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=api.quorvel.example"},
                 dir))
        return set;
    QFile ext(dir + "/server.ext");
    if (!ext.open(QIODevice::WriteOnly))
        return set;
    ext.write("basicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n"
              "subjectAltName=DNS:api.quorvel.example,DNS:*.quorvel.example,DNS:localhost,IP:127.0.0.1\n");
    ext.close();
    if (!openssl({"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial", "-out",
                  "server.pem", "-days", "3", "-extfile", "server.ext"},
                 dir))
        return set;
    set.ca = QSslCertificate(readFile(dir + "/ca.pem"));
    set.server = QSslCertificate(readFile(dir + "/server.pem"));
    set.serverKey = QSslKey(readFile(dir + "/server.key"), QSsl::Ec);
    set.caFile = dir + "/ca.pem";
    return set;
}

} // namespace

const CertificateSet& trusted()
{
    static const CertificateSet set = make(QStringLiteral("trusted"));
    return set;
}

const CertificateSet& untrusted()
{
    static const CertificateSet set = make(QStringLiteral("untrusted"));
    return set;
}

void trustTestCa()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificate(trusted().ca);
    QSslConfiguration::setDefaultConfiguration(configuration);
}

} // namespace TestCertificates
} // namespace TestSupport
