// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// The update feed: an RSS "appcast" whose items announce versions, each with its release notes
// and where to download it.
//   <rss xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel><item>
//     <sparkle:version>0.2.0</sparkle:version>
//     <sparkle:shortVersionString>0.2</sparkle:shortVersionString>   (optional)
//     <sparkle:releaseNotesLink>https://…</sparkle:releaseNotesLink>  (optional)
//     <link>https://… the download page</link>    (else the enclosure's url)
//     <enclosure url="https://…" sparkle:version="0.2.0"/>           (its version counts too)
//   </item></channel></rss>
namespace keyvane {

struct AppcastItem {
    QString version;        // compared with the program's version
    QString displayVersion; // shown to the user
    QString releaseNotesUrl;
    QString downloadUrl;
};

namespace Appcast {

// The items that name a version, in feed order; nothing when the text is no appcast (not XML,
// not RSS), with the reason in `error`.
std::optional<std::vector<AppcastItem>> parse(const QByteArray& feed, QString* error = nullptr);

// Version order as people read it: dot-separated numbers compared as numbers ("1.10" after "1.9",
// "1.0" the same as "1.0.0"), and a version with a suffix ("1.2-beta1") before the same one
// without. Negative, zero or positive.
int compareVersions(const QString& a, const QString& b);

// The newest item newer than `current` that the user has not chosen to skip.
std::optional<AppcastItem> newestUpdate(const std::vector<AppcastItem>& items, const QString& current,
                                        const QString& skippedVersion);

} // namespace Appcast
} // namespace keyvane
