// znterp: linear interpolation of a table onto new abscissae.
#pragma once
namespace util {
// Linear interpolation of the table (X, Y) of NX points onto the NXO abscissae XO, end values
// held outside the table. The table direction is taken from X(1) and X(2); the output
// abscissae are expected in the table's direction (an abscissa out of order restarts the
// search, so it is still interpolated correctly). When the search finds no interval (a NaN
// abscissa or a NaN in the table), or the table is empty (NX < 1), it prints
// " ZNTERP -- ?????" and the numbers, and stops with "?????".
void znterp(const double* X, const float* Y, int NX, const double* XO, float* YO, int NXO);
}  // namespace util
