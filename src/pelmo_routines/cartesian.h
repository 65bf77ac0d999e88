// Geographic and cartesian coordinates, and the datum transformation.
#pragma once

namespace quarlo {

void geoxyz(double phi, double lambda, double h, double a, double inverse_flattening, double& x, double& y,
            double& z);
void xyzgeo(double x, double y, double z, double a, double inverse_flattening, double& phi, double& lambda,
            double& h);
// xyzgeo, returning the number of passes of its latitude iteration (at most
// kXyzgeoMaxIterations).
constexpr int kXyzgeoMaxIterations = 100;
int xyzgeo_iterations(double x, double y, double z, double a, double inverse_flattening, double& phi,
                      double& lambda, double& h);
// Datum transformation: direction 1 and any other direction are applied as a
// pair, there and back.
void gd66gs84(double x, double y, double z, int direction, double& xo, double& yo, double& zo);

} // namespace quarlo
