#pragma once

#include <QString>

class Image;
class PictureBox;

// Loads the picture file into the image and fits it, centred and undistorted, as large as the
// container allows. An empty path leaves the image without a picture; a path that names no file
// leaves the image as it was. Returns false only when the file exists but is not a picture that
// can be read (also one too large to hold): the image is then left without a picture.
bool FitPicture(Image *image, PictureBox *container, const QString &path);
