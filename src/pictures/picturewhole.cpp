#include "picturewhole.h"

#include <cstring>

namespace {

quint8 byteAt(QByteArrayView file, qsizetype at)
{
    return quint8(file[at]);
}

// A marker with no length after it: the start and end of the picture, a restart, a test marker.
bool standsAlone(quint8 marker)
{
    return marker == 0xd8 || marker == 0xd9 || marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7);
}

// The first marker in a scan's coded data from at on, or -1 when the file ends first. In the
// data an 0xff is followed by 0 or by a restart marker.
qsizetype nextMarker(QByteArrayView file, qsizetype at)
{
    while (at + 1 < file.size()) {
        const void *found = std::memchr(file.data() + at, 0xff, size_t(file.size() - at - 1));
        if (!found)
            return -1;
        at = static_cast<const char *>(found) - file.data();
        const quint8 next = byteAt(file, at + 1);
        if (next != 0 && next != 0xff && !(next >= 0xd0 && next <= 0xd7))
            return at;
        ++at;
    }
    return -1;
}

// Skips a chain of GIF data blocks, each led by its length, ended by one of length 0; -1 when the
// file ends first.
qsizetype pastBlocks(QByteArrayView file, qsizetype at)
{
    while (at < file.size()) {
        const quint8 length = byteAt(file, at++);
        if (length == 0)
            return at;
        at += length;
    }
    return -1;
}

} // namespace

bool JpegIsWhole(QByteArrayView file)
{
    qsizetype at = 2;
    while (true) {
        // Markers may be padded with any number of 0xff.
        while (at < file.size() && byteAt(file, at) == 0xff && at + 1 < file.size()
               && byteAt(file, at + 1) == 0xff)
            ++at;
        if (at + 1 >= file.size())
            return false;
        if (byteAt(file, at) != 0xff)
            return true;
        const quint8 marker = byteAt(file, at + 1);
        at += 2;
        if (marker == 0xd9)
            return true;
        if (standsAlone(marker))
            continue;
        if (at + 1 >= file.size())
            return false;
        const int length = byteAt(file, at) << 8 | byteAt(file, at + 1);
        if (length < 2)
            return true;
        at += length;
        if (at > file.size())
            return false;
        if (marker == 0xda) {
            at = nextMarker(file, at);
            if (at < 0)
                return false;
        }
    }
}

bool GifIsWhole(QByteArrayView file)
{
    if (file.size() < 13)
        return false;
    const auto pastColourTable = [&file](qsizetype at, quint8 flags) {
        return flags & 0x80 ? at + 3 * (qsizetype(2) << (flags & 7)) : at;
    };
    qsizetype at = pastColourTable(13, byteAt(file, 10));
    while (at >= 0 && at < file.size()) {
        const quint8 block = byteAt(file, at++);
        if (block == 0x3b)
            return true;
        if (block == 0x21) {
            at = pastBlocks(file, at + 1);
        } else if (block == 0x2c) {
            if (at + 9 > file.size())
                return false;
            // Past the frame's place and size, its colour table and its code size.
            at = pastColourTable(at + 9, byteAt(file, at + 8)) + 1;
            return at <= file.size() && pastBlocks(file, at) >= 0;
        } else {
            return true;
        }
    }
    return false;
}
