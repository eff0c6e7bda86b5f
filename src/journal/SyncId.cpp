// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SyncId.h"

#include <QRandomGenerator>

#include <algorithm>

namespace wendle::SyncId {

QByteArray random()
{
    QByteArray id(length, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(id.data()), length / sizeof(quint32));
    return id;
}

QString toHex(const QByteArray& id)
{
    return QString::fromLatin1(id.toHex());
}

std::optional<QByteArray> fromHex(QStringView hex)
{
    const bool wellFormed = hex.size() == 2 * length && std::all_of(hex.begin(), hex.end(), [](QChar c) {
                                return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
                            });
    if (!wellFormed) {
        return std::nullopt;
    }
    return QByteArray::fromHex(hex.toLatin1());
}

} // namespace wendle::SyncId
