// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace wendle {

/** One release offered by an update feed: what to show about it and what to download. */
struct UpdateRelease
{
    QString version;
    /** The version as people read it; the version itself when the feed gives none. */
    QString shortVersion;
    QString title;
    /** Release notes from the item's description: plain text or HTML. */
    QString notes;
    QUrl notesLink;
    QUrl url;
    qint64 length = 0;
    QString type;
    QByteArray signature;
};

/**
 * The update feed: an RSS document with the sparkle namespace, whose items each describe a release and its
 * download (`enclosure`). Only items meant for Linux (`sparkle:os` "linux" or none) with a version and a
 * download count.
 */
namespace UpdateFeed {

/** The most of a feed Wendle reads; a larger one is refused unread. */
constexpr qint64 maximumSize = 1024 * 1024;
/** The largest download Wendle accepts; the feed must announce the length of each. */
constexpr qint64 maximumDownloadLength = 512 * 1024 * 1024;

struct Parsed
{
    /** The newest release for Linux; none when the feed lists none. */
    std::optional<UpdateRelease> newest;
    /** Why the document could not be read; empty when it was. */
    QString problem;
};

[[nodiscard]] Parsed parse(const QByteArray& document);

/** Why Wendle will not fetch `url` (it is not HTTPS), or empty when it may. */
[[nodiscard]] QString refusal(const QUrl& url);

/**
 * Why `release`'s download could not be checked once fetched (no announced length, or one too large to
 * accept), as a sentence; empty when it can be.
 */
[[nodiscard]] QString unverifiable(const UpdateRelease& release);

/**
 * The feed address: the first line of `overrideFile` when it names one, else the environment variable
 * `WENDLE_UPDATE_FEED` when set (a test server or a private mirror), else the one Wendle was built with.
 * Empty when none does: updates then come from the system's package manager.
 */
QUrl configured(const QString& overrideFile = QStringLiteral("/etc/xdg/wendle/update-feed"));

} // namespace UpdateFeed

} // namespace wendle
