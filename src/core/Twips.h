#pragma once

namespace zentaro {

// Layout arithmetic is kept in twips (1440 to the inch) and converted at the edge.
class Twips
{
public:
    static constexpr int kPerInch = 1440;
    static int toPixels(double twips, double logicalDpi);
    static double fromPixels(int pixels, double logicalDpi);
};

} // namespace zentaro
