#include "preview/PictureFit.h"

#include <cmath>

namespace zentaro {

PictureFit::Placement PictureFit::Fit(double pictureWidth, double pictureHeight, double areaWidth,
                                      double areaHeight)
{
    if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0)
        return {};
    const double pictureAspect = pictureWidth / pictureHeight;
    const double areaAspect = areaWidth / areaHeight;
    Placement p;
    // nearbyint rounds halves to the even neighbour.
    if (areaAspect > pictureAspect) {
        p.height = static_cast<int>(std::nearbyint(areaHeight));
        p.width = static_cast<int>(std::floor(p.height * pictureAspect));
        p.top = 0;
        p.left = static_cast<int>(std::floor((areaWidth - p.width) / 2));
    } else {
        p.width = static_cast<int>(std::nearbyint(areaWidth));
        p.height = static_cast<int>(std::floor(p.width / pictureAspect));
        p.left = 0;
        p.top = static_cast<int>(std::floor((areaHeight - p.height) / 2));
    }
    return p;
}

} // namespace zentaro
