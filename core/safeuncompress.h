#pragma once

#include <QByteArray>
#include <QtGlobal>

// Largest body that safeUncompress inflates unless told otherwise.
constexpr qint64 kMaxUncompressedSize = 256 * 1024 * 1024;

// Inflates data in Qt's compressed form (qCompress: a 4-byte big-endian length, then a zlib stream)
// into *out. Unlike qUncompress it never trusts the declared length: it inflates in chunks and gives
// up once the output would pass maxSize. Returns false, with *out empty, when the body is shorter than
// the length field, is not a complete zlib stream, or inflates past maxSize. A compressed empty body
// (four zero bytes) returns true with *out empty.
bool safeUncompress(const QByteArray &data, QByteArray *out, qint64 maxSize = kMaxUncompressedSize);
