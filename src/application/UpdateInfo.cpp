#include "application/UpdateInfo.h"

#include "application/Language.h"
#include "utils/CutText.h"
#include "utils/Error.h"
#include "utils/ServiceHosts.h"

#include <QCoreApplication>
#include <QDebug>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include <limits>

namespace QuorvelClient {
namespace Application {

namespace {

// An optional sign and decimal digits, nothing else, within the range of int.
bool parseComponent(const QByteArray& text, int& value)
{
    if (text.isEmpty())
        return false;
    qsizetype i = 0;
    bool negative = false;
    if (text.at(0) == '+' || text.at(0) == '-') {
        negative = text.at(0) == '-';
        i = 1;
    }
    if (i == text.size())
        return false;
    qint64 number = 0;
    for (; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + (c - '0');
        if (number > qint64(std::numeric_limits<int>::max()) + 1)
            return false;
    }
    if (negative)
        number = -number;
    if (number > std::numeric_limits<int>::max() || number < std::numeric_limits<int>::min())
        return false;
    value = int(number);
    return true;
}

// A document that reads no resource: images and style sheets that its markup names stay unread.
class InertDocument : public QTextDocument
{
protected:
    QVariant loadResource(int, const QUrl&) override { return QVariant(); }
};

// How much of the service's markup is read at all, and how many letters of its text are shown: far more than any
// release notes hold, so that only a hostile reply is cut.
constexpr qsizetype kMarkupRead = 64 * 1024;
constexpr qsizetype kInfoShown = 20000;

QString withFormat(QString html, const QTextCharFormat& format)
{
    if (format.fontWeight() > QFont::Normal)
        html = QStringLiteral("<b>%1</b>").arg(html);
    if (format.fontItalic())
        html = QStringLiteral("<i>%1</i>").arg(html);
    if (format.fontUnderline() && !format.isAnchor())
        html = QStringLiteral("<u>%1</u>").arg(html);
    const QUrl link(format.anchorHref());
    if (format.isAnchor() && (link.scheme() == QLatin1String("http") || link.scheme() == QLatin1String("https")))
        html = QStringLiteral("<a href=\"%1\">%2</a>").arg(link.toString(QUrl::FullyEncoded).toHtmlEscaped(), html);
    return html;
}

// The service's markup as rich text that loads nothing: its text with bold, italic, underline, line breaks and web
// links, built anew; images, style sheets and every other element are left out.
QString inertMarkup(const QString& markup)
{
    InertDocument document;
    document.setHtml(markup.left(kMarkupRead));
    QString html;
    // A line break counts as a letter: a page of empty paragraphs is as long as a page of text.
    qsizetype room = kInfoShown;
    bool cut = false;
    bool marked = false;
    for (QTextBlock block = document.begin(); block.isValid() && !cut; block = block.next()) {
        if (block != document.begin()) {
            cut = room == 0;
            if (cut)
                break;
            html += QStringLiteral("<br>");
            --room;
        }
        for (auto it = block.begin(); !it.atEnd() && !cut; ++it) {
            QString text = it.fragment().text();
            text.remove(QChar::ObjectReplacementCharacter);
            if (text.isEmpty())
                continue;
            const QString shown = Utils::cutText(text, room);
            cut = shown.size() < text.size();
            marked = cut && !shown.isEmpty();
            room -= shown.size();
            if (!shown.isEmpty())
                html += withFormat(shown.toHtmlEscaped().replace(QChar::LineSeparator, QStringLiteral("<br>")),
                                   it.fragment().charFormat());
        }
    }
    if ((cut || markup.size() > kMarkupRead) && !marked)
        html += QChar(0x2026);
    return html;
}

} // namespace

UpdateInfo::UpdateInfo()
    : m_currentVersion(QCoreApplication::applicationVersion()), m_version(QCoreApplication::applicationVersion()),
      m_level(0)
{
}

UpdateInfo::UpdateInfo(const int version[3], const QString& info)
    : m_currentVersion(QCoreApplication::applicationVersion().section(QLatin1Char(' '), 0, 0)),
      m_version(versionToString(version)), m_level(0), m_info(info)
{
    m_level = calculateLevel(version);
    qDebug() << "currentVersion_" << m_currentVersion << " updateTo - " << m_version;
}

int UpdateInfo::level() const
{
    return m_level;
}

bool UpdateInfo::operator==(const UpdateInfo& other) const
{
    return m_version == other.m_version;
}

QString UpdateInfo::versionToString(const int version[3])
{
    return QString::number(version[0]) + QLatin1Char('.') + QString::number(version[1]) + QLatin1Char('.') +
           QString::number(version[2]);
}

bool UpdateInfo::parseVersion(const QString& text, int version[3])
{
    const QByteArray bytes = text.toLatin1();
    qsizetype start = 0;
    int parsed[3];
    for (int i = 0; i < 3; ++i) {
        if (start > bytes.size())
            return false;
        qsizetype end = bytes.indexOf('.', start);
        if (end < 0)
            end = bytes.size();
        if (!parseComponent(bytes.mid(start, end - start), parsed[i]))
            return false;
        start = end + 1;
    }
    for (int i = 0; i < 3; ++i)
        version[i] = parsed[i];
    return true;
}

int UpdateInfo::calculateLevel(const int version[3]) const
{
    int current[3];
    if (!parseVersion(m_currentVersion, current))
        throw utils::Error("Bad current version");
    if (version[0] > current[0])
        return 3;
    if (version[1] > current[1])
        return 2;
    if (version[2] > current[2])
        return 1;
    return 0;
}

QString UpdateInfo::title() const
{
    switch (m_level) {
    case 1:
        return QCoreApplication::translate("QApplication", "New version is avaliable");
    case 2:
    case 3:
        return QCoreApplication::translate("QApplication", "New version is avaliable!");
    default:
        return QCoreApplication::translate("QApplication", "Check for updates...");
    }
}

QString UpdateInfo::message() const
{
    const QString name = QCoreApplication::applicationName();
    const QString lang = currentLanguage();
    const QString portal = QString::fromLatin1(Utils::ServiceHosts::portalHost);
    const QString siteLink = QStringLiteral("<a href='") +
                             QStringLiteral("http://%1/?target=site&lang=%2").arg(portal, lang) + QStringLiteral("'>") +
                             QCoreApplication::translate("QApplication", Utils::ServiceHosts::portalHost) +
                             QStringLiteral("</a>");
    const QString downloadLink =
        QStringLiteral("<a href='") + QStringLiteral("http://%1/?target=downloads&lang=%2").arg(portal, lang) +
        QStringLiteral("'>") + QCoreApplication::translate("QApplication", "DOWNLOAD") + QStringLiteral("</a>");
    const QString header = QCoreApplication::translate(
                               "QApplication", "A new version of %1 is available! Version <b>%2</b> is available on ")
                               .arg(name, m_version);

    QString body;
    switch (m_level) {
    case 0:
        body = QCoreApplication::translate("QApplication", "You have the latest version of %1 (version <b>%2</b>).")
                   .arg(name, m_currentVersion);
        break;
    case 1:
        body = header + siteLink +
               QCoreApplication::translate("QApplication", ".<br><br>You can download it by this link:<br>") +
               downloadLink;
        break;
    case 2:
        body =
            header + siteLink +
            QCoreApplication::translate("QApplication", ".<br><br>Please download this version using this link:<br>") +
            downloadLink;
        break;
    case 3:
        body = QCoreApplication::translate("QApplication",
                                           "CRITICAL update of %1 is out! Version <b>%2</b> is available on ")
                   .arg(name, m_version) +
               siteLink +
               QCoreApplication::translate(
                   "QApplication",
                   ".<br><br>It is possible that your version is not supported any more.<br><br>You SHOULD download a "
                   "new version using this link:<br>") +
               downloadLink;
        break;
    default:
        break;
    }
    // The service's markup goes into a rich-text box, which would read the files that its images name.
    if (!m_info.isEmpty())
        body +=
            QCoreApplication::translate("QApplication", "Information about this update: %1").arg(inertMarkup(m_info));
    return body;
}

} // namespace Application
} // namespace QuorvelClient
