#include "core/Twips.h"

#include <cmath>

namespace zentaro {

int Twips::toPixels(double twips, double logicalDpi)
{
    return static_cast<int>(std::lround(twips * logicalDpi / kPerInch));
}

double Twips::fromPixels(int pixels, double logicalDpi)
{
    if (logicalDpi <= 0)
        return 0;
    return pixels * kPerInch / logicalDpi;
}

} // namespace zentaro
