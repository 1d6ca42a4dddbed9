#pragma once

namespace zentaro {

// Where a picture is drawn when it is fitted into the picture area: it fills
// one axis and is centred on the other, scaled up as well as down.
class PictureFit
{
public:
    struct Placement
    {
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        bool operator==(const Placement&) const = default;
    };

    // pictureWidth/Height in the picture's own units, area in drawing units.
    // A picture or area without size gives an empty placement (nothing is
    // drawn) rather than dividing by zero.
    static Placement Fit(double pictureWidth, double pictureHeight, double areaWidth, double areaHeight);
};

} // namespace zentaro
