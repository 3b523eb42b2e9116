#pragma once

#include <QString>

#include <functional>

class Image;
class PictureBox;

// Shows the picture file in the image, fitted centred and undistorted as large as the container
// allows. The file is decoded by the background worker, straight at the size it is shown at, so the
// caller never waits for it: a new picture appears once it is decoded; a picture the image
// already shows is refitted at once, and decoded again only if it is now shown larger.
//
// An empty path leaves the image without a picture; a path that names no file leaves the image as
// it was. shown, if given, hears the outcome once it is known (at once for those two): false when
// the file exists but cannot be shown as a picture (not one, damaged, or too large to decode), the
// image then being left without a picture. A later call for the same image supersedes one still
// decoding, whose outcome is then never told.
void FitPicture(Image *image, PictureBox *container, const QString &path,
                std::function<void(bool shown)> shown = {});
