#include "safeuncompress.h"

#include "corelog.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace {

constexpr int kChunkSize = 64 * 1024;
// Deflate cannot expand its input by more than about 1032:1, so a declared length beyond that is a lie
// and is not worth reserving memory for.
constexpr qint64 kMaxDeflateRatio = 1032;

bool fail(QByteArray *out, const char *why)
{
    out->clear();
    qCWarning(lcCore) << "Compressed body rejected:" << why;
    return false;
}

} // namespace

bool safeUncompress(const QByteArray &data, QByteArray *out, qint64 maxSize)
{
    out->clear();
    maxSize = std::min<qint64>(maxSize, std::numeric_limits<int>::max() - kChunkSize);
    if (data.size() < 4)
        return fail(out, "shorter than its length field");

    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const quint32 declared = (quint32(bytes[0]) << 24) | (quint32(bytes[1]) << 16)
                             | (quint32(bytes[2]) << 8) | quint32(bytes[3]);
    const qint64 streamSize = data.size() - 4;
    if (streamSize == 0) {
        if (declared != 0)
            return fail(out, "no stream after a non-zero length");
        return true;
    }
    // Refused before any memory is spent: a body never needs more than its declared length.
    if (qint64(declared) > maxSize)
        return fail(out, "declares more than the size limit");
    if (qint64(declared) > streamSize * kMaxDeflateRatio)
        return fail(out, "declares more than its stream can hold");
    out->reserve(int(declared));

    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return fail(out, "zlib could not start");
    stream.next_in = const_cast<Bytef *>(bytes + 4);
    stream.avail_in = uInt(streamSize);

    QByteArray chunk(kChunkSize, Qt::Uninitialized);
    // inflate() returns Z_OK only after progress, and Z_BUF_ERROR once a cut-short stream runs dry.
    int rc = Z_OK;
    while (rc == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef *>(chunk.data());
        stream.avail_out = kChunkSize;
        rc = inflate(&stream, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END)
            break;
        const int produced = kChunkSize - int(stream.avail_out);
        if (out->size() + qint64(produced) > qint64(declared)) {
            inflateEnd(&stream);
            return fail(out, "inflates past its declared length");
        }
        out->append(chunk.constData(), produced);
    }
    inflateEnd(&stream);
    if (rc != Z_STREAM_END)
        return fail(out, "not a complete zlib stream");
    return true;
}
