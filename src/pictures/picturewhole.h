#pragma once

#include <QByteArrayView>

// Whether a JPEG or GIF file holds its picture to the end. Their readers show a file cut short
// (a download broken off, a copy from a stick still under way) with the missing part grey or
// black, and say so only in a warning; a PNG's reader refuses one itself. A JPEG is whole when
// its end marker follows its last scan; a GIF when its first frame, the one shown, is complete.
// Data after the end, and anything the check does not know, is left to the reader to judge.
bool JpegIsWhole(QByteArrayView file);
bool GifIsWhole(QByteArrayView file);
