#include "peer/FakeNetwork.h"

#include "peer/TestCertificates.h"
#include "utils/ServiceHosts.h"
#include "utils/Settings.h"

namespace TestSupport {

FakeNetwork::FakeNetwork(QObject* parent) : QObject(parent) {}

bool FakeNetwork::start()
{
    const CertificateSet& certificates = TestCertificates::trusted();
    if (!certificates.isValid())
        return false;
    TestCertificates::trustTestCa();
    service.setTls(certificates.server, certificates.serverKey);
    if (!service.start() || !proxy.start())
        return false;
    proxy.map(QString::fromLatin1(Utils::ServiceHosts::apiHost), 443, QHostAddress::LocalHost, service.port());
    return true;
}

void FakeNetwork::useProxy(const QString& user, const QString& password)
{
    Utils::Settings* settings = Utils::Settings::instance();
    settings->setValue(QStringLiteral("proxy/useProxy"), true);
    settings->setValue(QStringLiteral("proxy/host"), QStringLiteral("127.0.0.1"));
    settings->setValue(QStringLiteral("proxy/port"), int(proxy.port()));
    settings->setValue(QStringLiteral("proxy/username"), user);
    settings->setValue(QStringLiteral("proxy/password"), password);
}

} // namespace TestSupport
