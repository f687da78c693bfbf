// Lengths in a laid-out text document are the pixels of the device it is laid out for; the
// manual's spacing is given in points and turned into those pixels here.
//
// Thread contract: a plain value, safe anywhere.
#pragma once

class Units {
public:
    explicit Units(int dotsPerInch) : dotsPerInch_(dotsPerInch) {}
    double points(double pt) const { return pt * dotsPerInch_ / 72.0; }

private:
    int dotsPerInch_;
};
