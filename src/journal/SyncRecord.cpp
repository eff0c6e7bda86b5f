// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SyncRecord.h"

#include "journal/AesGcm.h"
#include "journal/SyncId.h"

#include <QtEndian>

namespace wendle {

namespace {

// Keeps a record's seal from opening as anything else sealed with the same key, and names the format's version.
constexpr QByteArrayView kContext = "wendle-sync-1";

QByteArray associatedData(const SyncPosition& position)
{
    QByteArray data = kContext.toByteArray() + position.device;
    data.resize(data.size() + 8);
    qToBigEndian<quint32>(position.segment, data.data() + data.size() - 8);
    qToBigEndian<quint32>(position.record, data.data() + data.size() - 4);
    return data;
}

template <typename T> void put(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToBigEndian<T>(value, bytes);
    out.append(bytes, sizeof(T));
}

void putText(QByteArray& out, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    put<quint32>(out, quint32(utf8.size()));
    out.append(utf8);
}

void putStamp(QByteArray& out, const SyncStamp& stamp)
{
    put<quint64>(out, stamp.clock);
    out.append(SyncId::isValid(stamp.device) ? stamp.device : QByteArray(SyncId::length, '\0'));
}

QByteArray encode(const SyncRecord& record, quint8 flags)
{
    QByteArray out;
    out.append(char(SyncRecordFormat::version));
    out.append(char(flags));
    out.append(SyncId::isValid(record.entryId) ? record.entryId : QByteArray(SyncId::length, '\0'));
    put<qint64>(out, record.date.toMSecsSinceEpoch());
    put<qint64>(out, record.creditedWords);
    putStamp(out, record.stamp);
    putStamp(out, record.creditStamp);
    for (const QString* text : {&record.dayKey, &record.promptID, &record.categoryRaw, &record.text}) {
        putText(out, *text);
    }
    return out;
}

/** Reads the payload front to back; any read past its end fails the whole. */
class Decoder
{
public:
    explicit Decoder(QByteArrayView bytes)
        : m_bytes(bytes)
    {
    }

    template <typename T> T take()
    {
        const QByteArrayView bytes = takeBytes(sizeof(T));
        return bytes.size() == qsizetype(sizeof(T)) ? qFromBigEndian<T>(bytes.data()) : T();
    }
    QByteArray takeId() { return takeBytes(SyncId::length).toByteArray(); }
    SyncStamp takeStamp()
    {
        const quint64 clock = take<quint64>();
        return {clock, takeId()};
    }
    QString takeText()
    {
        const quint32 length = take<quint32>();
        return QString::fromUtf8(takeBytes(length));
    }
    /** Whether every read was whole and nothing is left over. */
    bool wholeAndDone() const { return m_whole && m_at == m_bytes.size(); }

private:
    QByteArrayView takeBytes(qint64 length)
    {
        if (!m_whole || length > m_bytes.size() - m_at) {
            m_whole = false;
            return {};
        }
        const QByteArrayView bytes = m_bytes.sliced(m_at, length);
        m_at += length;
        return bytes;
    }

    QByteArrayView m_bytes;
    qsizetype m_at = 0;
    bool m_whole = true;
};

} // namespace

QByteArray sealSyncRecord(AesGcm& cipher, const SyncPosition& position, const SyncRecord& record, quint8 flags)
{
    const QByteArray payload = encode(record, flags);
    const qint64 sealedLength = SyncRecordFormat::sealOverhead + payload.size();
    if (sealedLength > SyncRecordFormat::maxSealedLength) {
        return {};
    }
    QByteArray framed(SyncRecordFormat::prefixLength + sealedLength, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(sealedLength), framed.data());
    std::span<unsigned char> out = writableByteSpan(framed).subspan(SyncRecordFormat::prefixLength);
    const auto nonce = out.first<AesGcm::nonceLength>();
    if (!AesGcm::randomNonce(nonce)
        || !cipher.seal(nonce, byteSpan(associatedData(position)), byteSpan(payload),
                        out.subspan(AesGcm::nonceLength))) {
        return {};
    }
    return framed;
}

OpenedSyncRecord openSyncRecord(AesGcm& cipher, const SyncPosition& position, QByteArrayView sealed)
{
    OpenedSyncRecord opened;
    if (sealed.size() < SyncRecordFormat::sealOverhead) {
        opened.result = OpenedSyncRecord::Result::unauthenticated;
        return opened;
    }
    const std::span<const unsigned char> bytes = byteSpan(sealed);
    QByteArray payload(sealed.size() - SyncRecordFormat::sealOverhead, Qt::Uninitialized);
    switch (cipher.open(bytes.first<AesGcm::nonceLength>(), byteSpan(associatedData(position)),
                        bytes.subspan(AesGcm::nonceLength), writableByteSpan(payload))) {
    case AesGcm::Opened::opened:
        break;
    case AesGcm::Opened::authenticationFailure:
        opened.result = OpenedSyncRecord::Result::unauthenticated;
        return opened;
    case AesGcm::Opened::failure:
        return opened;
    }
    Decoder decoder(payload);
    if (decoder.take<quint8>() != SyncRecordFormat::version) {
        opened.result = OpenedSyncRecord::Result::unknownFormat;
        return opened;
    }
    opened.flags = decoder.take<quint8>();
    SyncRecord& record = opened.record;
    record.entryId = decoder.takeId();
    record.date = QDateTime::fromMSecsSinceEpoch(decoder.take<qint64>(), Qt::UTC);
    record.creditedWords = decoder.take<qint64>();
    record.stamp = decoder.takeStamp();
    record.creditStamp = decoder.takeStamp();
    for (QString* text : {&record.dayKey, &record.promptID, &record.categoryRaw, &record.text}) {
        *text = decoder.takeText();
    }
    opened.result = decoder.wholeAndDone() ? OpenedSyncRecord::Result::opened : OpenedSyncRecord::Result::unknownFormat;
    return opened;
}

} // namespace wendle
