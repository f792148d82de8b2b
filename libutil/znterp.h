#pragma once
namespace util {
// Linear interpolation of the table (X, Y) of NX points onto the NXO abscissae XO, end values
// held outside the table; the output abscissae run in the table's direction. A table that is
// not monotonic (or holds a NaN) prints " ZNTERP -- ?????" and its numbers, and stops with
// "?????". NX must be at least 1.
void znterp(const double* X, const float* Y, int NX, const double* XO, float* YO, int NXO);
}  // namespace util
