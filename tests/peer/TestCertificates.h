#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>

namespace TestSupport {

// A certificate authority and a server certificate for "*.quorvel.example", "localhost" and 127.0.0.1, made with
// the openssl tool in a temporary folder the first time they are asked for in a process.
struct CertificateSet
{
    QSslCertificate ca;
    QSslCertificate server;
    QSslKey serverKey;
    QString caFile;
    bool isValid() const { return !ca.isNull() && !server.isNull() && !serverKey.isNull(); }
};

namespace TestCertificates {

// Signed by the test CA that trustTestCa() adds to the process's default TLS configuration.
const CertificateSet& trusted();
// Signed by a second CA that nothing trusts.
const CertificateSet& untrusted();
// Adds the test CA to the default TLS configuration of this process.
void trustTestCa();

} // namespace TestCertificates
} // namespace TestSupport
