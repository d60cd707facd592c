// The exact rational core: a numerator and a denominator in the platform's `long`, arithmetic that
// refuses (returns false) instead of wrapping, and conversion to and from text.
//
// Nothing here knows the host. Nothing throws, prints or keeps state; only FractToStr and
// FractToStr2 allocate (the text they hand back, released by the caller with free()).
#ifndef QUORVEX_FRACT_H
#define QUORVEX_FRACT_H

// Numerator then denominator, nothing else: this record is also the instance data of every
// Fraction object, so its layout is part of the plug-in's contract with the host.
struct fract {
  long num;  // carries the sign of the value
  long den;  // positive in every result computed from operands with positive denominators
};

// Greatest common divisor of the magnitudes of two nonzero values; 0 when either argument is 0
// or is the most negative long (which has no magnitude).
long gcd(long a, long b);

// Divides p and q by their gcd and returns it; 1 (nothing changed) when either is 0.
// Returns 0 and changes nothing when either is the most negative long.
long reduce(long& p, long& q);

// r must be a different record from a and b. On false r is to be discarded.
bool add(fract& r, const fract& a, const fract& b);
bool sub(fract& r, const fract& a, const fract& b);
bool mul(fract& r, const fract& a, const fract& b);
bool div(fract& r, const fract& a, const fract& b);  // b.num == 0 is the caller's to refuse
bool sqr(fract& r, const fract& a);                  // the square a * a, unreduced
bool myPow(fract& r, const fract& a, long p);        // a^p, unreduced
double convToDouble(const fract& f);                 // NaN for a zero denominator

// Reads "7", "-3/4", "1 1/2" (see the text forms in docs/); false for malformed text.
bool StrToFract(fract& f, const char* s);
// Mixed form ("3 1/2") and plain form ("7/2"). `out` receives a malloc'd buffer (null if the
// allocation failed); the result is the number of characters written.
int FractToStr(char*& out, const fract& f);
int FractToStr2(char*& out, const fract& f);

#endif  // QUORVEX_FRACT_H
