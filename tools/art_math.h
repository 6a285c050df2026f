// Transcendental functions for the generator, worked in double precision and
// rounded to the caller's type. The compiler folds calls with constant
// arguments exactly, while the float library functions can miss by a step, so
// float work done this way gives the same bytes at every optimisation level.
#pragma once
#include <cmath>

template <class T> T Sin(T x) { return (T)std::sin((double)x); }
template <class T> T Cos(T x) { return (T)std::cos((double)x); }
template <class T> T Exp(T x) { return (T)std::exp((double)x); }
template <class T> T Atan2(T y, T x) { return (T)std::atan2((double)y, (double)x); }
template <class T> T Pow(T x, T y) { return (T)std::pow((double)x, (double)y); }
template <class T> T Hypot(T x, T y) { return (T)std::hypot((double)x, (double)y); }
