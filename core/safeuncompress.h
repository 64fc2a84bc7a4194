#pragma once

#include <QByteArray>
#include <QtGlobal>

// Largest body that safeUncompress inflates unless told otherwise. The largest package of the
// stand-in's large data set (ACE.DAT, analysts' yearly figures) inflates to about 4 MB; this
// leaves room for eight times that and keeps a hostile package's cost far below 100 MB.
constexpr qint64 kMaxUncompressedSize = 32 * 1024 * 1024;

// Inflates data in Qt's compressed form (qCompress: a 4-byte big-endian length, then a zlib stream)
// into *out. The declared length is checked before anything is inflated: above maxSize, or above
// what the stream could hold at deflate's highest ratio, the body is refused at once. Inflating
// stops as soon as the output passes the declared length. Returns false, with *out empty, when the
// body is shorter than the length field, declares too much, is not a complete zlib stream, or
// inflates past its declared length. A compressed empty body (four zero bytes) returns true with
// *out empty.
bool safeUncompress(const QByteArray &data, QByteArray *out, qint64 maxSize = kMaxUncompressedSize);
