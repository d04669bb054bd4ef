// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/services/Appcast.h"

#include <QStringList>
#include <QXmlStreamReader>

namespace keyvane::Appcast {

namespace {

const QString sparkleNamespace = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

// The leading dot-separated numbers of a version and what follows them ("1.2-beta1" → 1, 2 and
// "-beta1").
std::pair<std::vector<qulonglong>, QString> split(const QString& version) {
    std::vector<qulonglong> numbers;
    int at = 0;
    const QString text = version.trimmed();
    while (at < text.size() && text[at].isDigit()) {
        int end = at;
        while (end < text.size() && text[end].isDigit()) {
            ++end;
        }
        numbers.push_back(text.mid(at, end - at).toULongLong());
        at = end;
        if (at + 1 < text.size() && text[at] == '.' && text[at + 1].isDigit()) {
            ++at;
        } else {
            break;
        }
    }
    return {numbers, text.mid(at)};
}

} // namespace

int compareVersions(const QString& a, const QString& b) {
    const auto [numbersA, suffixA] = split(a);
    const auto [numbersB, suffixB] = split(b);
    const std::size_t count = std::max(numbersA.size(), numbersB.size());
    for (std::size_t i = 0; i < count; ++i) {
        const qulonglong x = i < numbersA.size() ? numbersA[i] : 0;
        const qulonglong y = i < numbersB.size() ? numbersB[i] : 0;
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (suffixA.isEmpty() != suffixB.isEmpty()) {
        return suffixA.isEmpty() ? 1 : -1; // a release comes after its pre-releases
    }
    return QString::compare(suffixA, suffixB);
}

std::optional<std::vector<AppcastItem>> parse(const QByteArray& feed, QString* error) {
    QXmlStreamReader xml(feed);
    std::vector<AppcastItem> items;
    bool sawRss = false;
    std::optional<AppcastItem> item;
    QString enclosureUrl;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QStringView name = xml.name();
            const bool sparkle = xml.namespaceUri() == sparkleNamespace;
            if (!sawRss) {
                if (name != QLatin1String("rss")) {
                    break;
                }
                sawRss = true;
            } else if (name == QLatin1String("item") && !sparkle) {
                item = AppcastItem{};
                enclosureUrl.clear();
            } else if (item && sparkle && name == QLatin1String("version")) {
                item->version = xml.readElementText().trimmed();
            } else if (item && sparkle && name == QLatin1String("shortVersionString")) {
                item->displayVersion = xml.readElementText().trimmed();
            } else if (item && sparkle && name == QLatin1String("releaseNotesLink")) {
                item->releaseNotesUrl = xml.readElementText().trimmed();
            } else if (item && !sparkle && name == QLatin1String("link")) {
                item->downloadUrl = xml.readElementText().trimmed();
            } else if (item && !sparkle && name == QLatin1String("enclosure")) {
                const QXmlStreamAttributes attributes = xml.attributes();
                enclosureUrl = attributes.value(QLatin1String("url")).toString().trimmed();
                if (item->version.isEmpty()) {
                    item->version =
                        attributes.value(sparkleNamespace, QLatin1String("version")).toString().trimmed();
                }
                if (item->displayVersion.isEmpty()) {
                    item->displayVersion =
                        attributes.value(sparkleNamespace, QLatin1String("shortVersionString"))
                            .toString()
                            .trimmed();
                }
            }
        } else if (xml.isEndElement() && item && xml.name() == QLatin1String("item")) {
            if (item->downloadUrl.isEmpty()) {
                item->downloadUrl = enclosureUrl;
            }
            if (item->displayVersion.isEmpty()) {
                item->displayVersion = item->version;
            }
            if (!item->version.isEmpty()) {
                items.push_back(*item);
            }
            item.reset();
        }
    }
    if (xml.hasError() || !sawRss) {
        if (error != nullptr) {
            *error = xml.hasError() ? QStringLiteral("the update feed is not well-formed XML (line %1: %2)")
                                          .arg(xml.lineNumber())
                                          .arg(xml.errorString())
                                    : QStringLiteral("the update feed is not an RSS feed");
        }
        return std::nullopt;
    }
    return items;
}

std::optional<AppcastItem> newestUpdate(const std::vector<AppcastItem>& items, const QString& current,
                                        const QString& skippedVersion) {
    std::optional<AppcastItem> newest;
    for (const AppcastItem& item : items) {
        if (compareVersions(item.version, current) <= 0 ||
            (!skippedVersion.isEmpty() && compareVersions(item.version, skippedVersion) == 0)) {
            continue;
        }
        if (!newest || compareVersions(item.version, newest->version) > 0) {
            newest = item;
        }
    }
    return newest;
}

} // namespace keyvane::Appcast
