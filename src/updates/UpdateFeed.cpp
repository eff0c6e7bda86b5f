// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/UpdateFeed.h"

#include "updates/VersionComparison.h"

#include <QCoreApplication>
#include <QFile>
#include <QXmlStreamReader>

namespace wendle {

namespace {

const QString kSparkle = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

bool isForLinux(const QString& os)
{
    return os.isEmpty() || os.compare(QStringLiteral("linux"), Qt::CaseInsensitive) == 0;
}

/** Reads one `item`; the reader stands on its start and is left on its end. None when it is not for us. */
std::optional<UpdateRelease> readItem(QXmlStreamReader& xml)
{
    UpdateRelease release;
    QString os;
    bool hasEnclosure = false;
    while (xml.readNextStartElement()) {
        const bool sparkle = xml.namespaceUri() == kSparkle;
        const QStringView name = xml.name();
        if (name == u"enclosure" && xml.namespaceUri().isEmpty()) {
            const QXmlStreamAttributes attributes = xml.attributes();
            const QString enclosureOs = attributes.value(kSparkle, QStringLiteral("os")).toString();
            // An item may list one download per system; the first one for Linux is ours.
            if (!hasEnclosure && isForLinux(enclosureOs)) {
                hasEnclosure = true;
                release.url = QUrl(attributes.value(QStringLiteral("url")).toString().trimmed());
                release.length = attributes.value(QStringLiteral("length")).toLongLong();
                release.type = attributes.value(QStringLiteral("type")).toString();
                release.signature = attributes.value(kSparkle, QStringLiteral("edSignature")).toLatin1();
                if (release.version.isEmpty()) {
                    release.version = attributes.value(kSparkle, QStringLiteral("version")).toString().trimmed();
                }
                if (release.shortVersion.isEmpty()) {
                    release.shortVersion
                        = attributes.value(kSparkle, QStringLiteral("shortVersionString")).toString().trimmed();
                }
            }
            xml.skipCurrentElement();
        } else if (sparkle && name == u"version") {
            release.version = xml.readElementText().trimmed();
        } else if (sparkle && name == u"shortVersionString") {
            release.shortVersion = xml.readElementText().trimmed();
        } else if (sparkle && name == u"releaseNotesLink") {
            release.notesLink = QUrl(xml.readElementText().trimmed());
        } else if (sparkle && name == u"os") {
            os = xml.readElementText().trimmed();
        } else if (!sparkle && name == u"title") {
            release.title = xml.readElementText().trimmed();
        } else if (!sparkle && name == u"description") {
            release.notes = xml.readElementText().trimmed();
        } else {
            xml.skipCurrentElement();
        }
    }
    if (!isForLinux(os) || !hasEnclosure || release.version.isEmpty() || !release.url.isValid()) {
        return std::nullopt;
    }
    if (release.shortVersion.isEmpty()) {
        release.shortVersion = release.version;
    }
    return release;
}

} // namespace

UpdateFeed::Parsed UpdateFeed::parse(const QByteArray& document)
{
    Parsed parsed;
    QXmlStreamReader xml(document);
    if (!xml.readNextStartElement() || xml.name() != u"rss") {
        parsed.problem = xml.hasError() ? xml.errorString()
                                        : QCoreApplication::translate("wendle::UpdateFeed", "it is not an RSS feed");
        return parsed;
    }
    while (xml.readNextStartElement()) {
        if (xml.name() != u"channel") {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            if (xml.name() != u"item") {
                xml.skipCurrentElement();
                continue;
            }
            std::optional<UpdateRelease> release = readItem(xml);
            if (release && (!parsed.newest || compareVersions(release->version, parsed.newest->version) > 0)) {
                parsed.newest = std::move(release);
            }
        }
    }
    if (xml.hasError()) {
        // A feed cut off or broken half-way could hide the newest release: nothing of it is trusted.
        parsed.newest.reset();
        parsed.problem = QStringLiteral("%1 (line %2)").arg(xml.errorString()).arg(xml.lineNumber());
    }
    return parsed;
}

QString UpdateFeed::refusal(const QUrl& url)
{
    if (url.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0 && !url.host().isEmpty()) {
        return {};
    }
    return QCoreApplication::translate("wendle::UpdateFeed",
                                       "%1 is not an HTTPS address, and Wendle fetches updates only over HTTPS.")
        .arg(url.toDisplayString());
}

QString UpdateFeed::unverifiable(const UpdateRelease& release)
{
    if (release.length <= 0) {
        return QCoreApplication::translate(
            "wendle::UpdateFeed", "This update cannot be verified: the feed does not give the length of its download.");
    }
    if (release.length > maximumDownloadLength) {
        return QCoreApplication::translate(
                   "wendle::UpdateFeed",
                   "This update cannot be verified: its download would be %1 bytes, more than the %2 MiB "
                   "Wendle accepts.")
            .arg(release.length)
            .arg(maximumDownloadLength / (1024 * 1024));
    }
    return {};
}

QUrl UpdateFeed::configured(const QString& overrideFile)
{
    // An address fits in one short line; anything longer is not one.
    constexpr qint64 kLineLimit = 4096;
    QFile file(overrideFile);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QString line = QString::fromUtf8(file.readLine(kLineLimit)).trimmed();
        if (!line.isEmpty()) {
            return QUrl(line);
        }
    }
    const QString fromEnvironment = qEnvironmentVariable("WENDLE_UPDATE_FEED").trimmed();
    if (!fromEnvironment.isEmpty()) {
        return QUrl(fromEnvironment);
    }
    return QUrl(QStringLiteral(WENDLE_UPDATE_FEED));
}

} // namespace wendle
