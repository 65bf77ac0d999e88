// Geographic and cartesian coordinates, and the datum transformation.
#pragma once

namespace quarlo {

void geoxyz(double phi, double lambda, double h, double a, double inverse_flattening, double& x, double& y,
            double& z);
void xyzgeo(double x, double y, double z, double a, double inverse_flattening, double& phi, double& lambda,
            double& h);
void gd66gs84(double x, double y, double z, int direction, double& xo, double& yo, double& zo);

} // namespace quarlo
