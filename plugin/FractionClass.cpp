// The Fraction class binding: what the host is told about Fraction and its three exception
// classes, and the host-callable functions that put the arithmetic core behind each declaration.
#include "FractionClass.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "fract.h"

// A plain cast, so that the tables stay static data rather than code run at load time.
#define QORA_HOST_CALLABLE(function) reinterpret_cast<QORAfunction>(&function)

namespace {
constexpr std::intptr_t kMethodFlags = kQORAClassConsoleSafe;
}  // namespace

// clang-format off
QORAmethodEntry FractionMethods[kFractionMethodCount] = {
    {QORA_HOST_CALLABLE(FractionNum),         nullptr, "Num() As Integer",                                 kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(FractionDen),         nullptr, "Den() As Integer",                                 kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(FractionStr),         nullptr, "Str() as String",                                  kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(FractionStr2),        nullptr, "Str2() as String",                                 kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(FractionConstructor), nullptr, "Constructor()",                                    kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(NewFraction),         nullptr, "Constructor(num As Integer, den As Integer)",      kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(NewFractionL),        nullptr, "Constructor(x As Integer)",                        kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(NewFractionS),        nullptr, "Constructor(inputString As String)",               kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(FractionNegate),      nullptr, "Operator_Negate() As Fraction",                    kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(FAddF),               nullptr, "Operator_Add(y As Fraction) As Fraction",          kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(FAddL),               nullptr, "Operator_Add(y As Integer) As Fraction",           kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(FAddL),               nullptr, "Operator_AddRight(x As Integer) As Fraction",      kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(FSubF),               nullptr, "Operator_Subtract(y As Fraction) As Fraction",     kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(FSubL),               nullptr, "Operator_Subtract(y As Integer) As Fraction",      kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(LSubF),               nullptr, "Operator_SubtractRight(x As Integer) As Fraction", kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(FMulF),               nullptr, "Operator_Multiply(y As Fraction) As Fraction",     kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(FMulL),               nullptr, "Operator_Multiply(y As Integer) As Fraction",      kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(FMulL),               nullptr, "Operator_MultiplyRight(x As Integer) As Fraction", kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(FDivF),               nullptr, "Operator_Divide(y As Fraction) As Fraction",       kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(FDivL),               nullptr, "Operator_Divide(y As Integer) As Fraction",        kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(LDivF),               nullptr, "Operator_DivideRight(x As Integer) As Fraction",   kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(myPowFL),             nullptr, "Operator_Power(x As Integer) As Fraction",         kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(CompareFF),           nullptr, "Operator_Compare(x As Fraction) As Integer",       kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(CompareFL),           nullptr, "Operator_Compare(x As Integer) As Integer",        kMethodFlags, 0, 0},
};

QORAmethodEntry otherFractionMethods[kOtherFractionMethodCount] = {
    {QORA_HOST_CALLABLE(ConvToDouble), nullptr, "ConvToDouble(x As Fraction) As Double",        kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(AbsF),         nullptr, "Abs(x As Fraction) As Fraction",               kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(SqrF),         nullptr, "Sqr(x As Fraction) As Fraction",               kMethodFlags, 0, 0},
    {QORA_HOST_CALLABLE(PowFL),        nullptr, "Pow(x As Fraction, y As Integer) As Fraction", kMethodFlags, 0, 0},
};

//                                      version             name                                nil      dataSize       dataOffset constructor          destructor          nil      nil      methods          methodCount           nil flags                  rest
QORAclassDefinition FractionClass =                 {kQORAPluginVersion, "Fraction",                         nullptr, sizeof(fract), 0,         FractionConstructor, FractionDestructor, nullptr, nullptr, FractionMethods, kFractionMethodCount, {}, kQORAClassConsoleSafe, {}};
QORAclassDefinition BadArgumentExceptionClass =     {kQORAPluginVersion, "FractionBadArgumentException",     nullptr, 0,             0,         nullptr,             nullptr,            nullptr, nullptr, nullptr,         0,                    {}, 0,                     {}};
QORAclassDefinition DivideByZeroExceptionClass =    {kQORAPluginVersion, "FractionDivideByZeroException",    nullptr, 0,             0,         nullptr,             nullptr,            nullptr, nullptr, nullptr,         0,                    {}, 0,                     {}};
QORAclassDefinition IntegerOverflowExceptionClass = {kQORAPluginVersion, "FractionIntegerOverflowException", nullptr, 0,             0,         nullptr,             nullptr,            nullptr, nullptr, nullptr,         0,                    {}, 0,                     {}};
// clang-format on

// Start-up state, written once before any thread calls in (FractionClass.h).
QORAclassRefStruct* globalFractionRef = nullptr;
QORAclassRefStruct* globalBadArgumentExceptionRef = nullptr;
QORAclassRefStruct* globalDivideByZeroExceptionRef = nullptr;
QORAclassRefStruct* globalIntegerOverflowExceptionRef = nullptr;
QORAstringStruct* nullString = nullptr;

static_assert(sizeof(fract) == 2 * sizeof(long), "a Fraction's instance data is num, then den");
#if defined(_WIN32)
static_assert(sizeof(fract) == 8, "both Windows targets, x86-64 included, have a 4-byte long");
#elif defined(__APPLE__)
static_assert(sizeof(fract) == 16, "macOS has an 8-byte long");
#endif

void PluginEntry() {
  SetClassConsoleSafe(&FractionClass);
  SetClassConsoleSafe(&BadArgumentExceptionClass);
  SetClassConsoleSafe(&DivideByZeroExceptionClass);
  SetClassConsoleSafe(&IntegerOverflowExceptionClass);

  globalFractionRef = QORAGetClassRef("Fraction");
  globalBadArgumentExceptionRef = QORAGetClassRef("FractionBadArgumentException");
  globalDivideByZeroExceptionRef = QORAGetClassRef("FractionDivideByZeroException");
  globalIntegerOverflowExceptionRef = QORAGetClassRef("FractionIntegerOverflowException");

  QORARegisterClass(&FractionClass);
  QORARegisterClass(&BadArgumentExceptionClass);
  QORARegisterClass(&DivideByZeroExceptionClass);
  QORARegisterClass(&IntegerOverflowExceptionClass);

  for (QORAmethodEntry& method : otherFractionMethods) QORARegisterMethod(&method);

  nullString = QORABuildStringWithEncoding(nullptr, 0, kQORAEncodingUTF8);
}

namespace {

// Null exactly for nil: any other object's data is its address plus the offset the host wrote at
// registration. Where a nil operand ends a call as for a missing result object, this test is the
// only one it needs.
fract* dataOf(QORAobjectStruct* object) {
  return static_cast<fract*>(QORAGetClassData(object, &FractionClass));
}

// A host that could not make the exception object gets nothing to raise rather than a null one.
void raiseException(QORAclassRefStruct* exceptionClass) {
  QORAobjectStruct* exception = QORAnewInstanceWithClass(exceptionClass);
  if (exception != nullptr) QORARaiseException(exception);
}

// The most negative long has no negation at the same width.
constexpr bool negatable(long value) {
  return value != LONG_MIN;
}

using BinaryOp = bool (*)(fract&, const fract&, const fract&);

// Makes the result object and fills it with `op(first, second)`. Without a usable result object
// the call ends as for an operand without data: `self` comes back and nothing is written.
QORAobjectStruct* resultOf(QORAobjectStruct* self, BinaryOp op, const fract& first,
                           const fract& second) {
  QORAobjectStruct* result = QORAnewInstanceWithClass(globalFractionRef);
  fract* data = dataOf(result);
  if (data == nullptr) return self;
  if (op(*data, first, second)) return result;
  raiseException(globalIntegerOverflowExceptionRef);
  return self;
}

// Writes `value` into a new object; `fallback` comes back when the host hands out no usable one.
QORAobjectStruct* newFractionHolding(QORAobjectStruct* fallback, fract value) {
  QORAobjectStruct* result = QORAnewInstanceWithClass(globalFractionRef);
  fract* data = dataOf(result);
  if (data == nullptr) return fallback;
  *data = value;
  return result;
}

// sqr in the shape of the binary operations; both operands are the same value.
bool square(fract& r, const fract& a, const fract&) {
  return sqr(r, a);
}

enum class ZeroTest { kNone, kDivisor };

QORAobjectStruct* fractionByFraction(QORAobjectStruct* self, QORAobjectStruct* y, BinaryOp op,
                                     ZeroTest zeroTest) {
  if (self == nullptr || y == nullptr) return NewZeroFraction();
  const fract& a = *dataOf(self);
  const fract& b = *dataOf(y);
  if (zeroTest == ZeroTest::kDivisor && b.num == 0) {
    raiseException(globalDivideByZeroExceptionRef);
    return self;
  }
  return resultOf(self, op, a, b);
}

enum class IntegerSide { kRight, kLeft };

// `x` takes part as the unreduced temporary x/1, on the side the operator puts it.
QORAobjectStruct* fractionByInteger(QORAobjectStruct* self, long x, BinaryOp op, IntegerSide side,
                                    ZeroTest zeroTest) {
  if (self == nullptr) return NewZeroFraction();
  const fract& a = *dataOf(self);
  const fract t{x, 1};
  const fract& divisor = side == IntegerSide::kRight ? t : a;
  if (zeroTest == ZeroTest::kDivisor && divisor.num == 0) {
    raiseException(globalDivideByZeroExceptionRef);
    return self;
  }
  return side == IntegerSide::kRight ? resultOf(self, op, a, t) : resultOf(self, op, t, a);
}

// The sign of a.num/a.den - b.num/b.den by cross products in a type twice as wide as long, where
// neither product nor the comparison can overflow: every pair of values compares, exactly, with
// no reduction and no refusal (the most negative long and zero denominators included).
#if defined(__SIZEOF_INT128__)
using WideProduct = std::conditional_t<sizeof(long) <= 4, long long, __int128>;
#else
using WideProduct = long long;
static_assert(sizeof(long) <= 4, "an exact comparison needs a type twice as wide as long");
#endif

long compare(const fract& a, const fract& b) {
  const WideProduct left = static_cast<WideProduct>(a.num) * b.den;
  const WideProduct right = static_cast<WideProduct>(b.num) * a.den;
  long sign = left < right ? -1 : (left > right ? 1 : 0);
  // Cross-multiplying by a negative denominator flips the comparison.
  if ((a.den < 0) != (b.den < 0)) sign = -sign;
  return sign;
}

using TextForm = int (*)(char*&, const fract&);

QORAstringStruct* textOf(QORAobjectStruct* self, TextForm form) {
  const fract* data = dataOf(self);
  if (data == nullptr) return nullString;
  char* text = nullptr;
  form(text, *data);
  if (text == nullptr) return nullString;  // the core could not allocate
  QORAstringStruct* result = QORABuildStringWithEncoding(
      text, static_cast<std::int32_t>(std::strlen(text)), kQORAEncodingUTF8);
  std::free(text);
  return result;
}

}  // namespace

void FractionConstructor(QORAobjectStruct* self) {
  fract* data = dataOf(self);
  if (data != nullptr) *data = fract{0, 1};
}

void FractionDestructor(QORAobjectStruct*) {}

QORAobjectStruct* NewZeroFraction() {
  QORAobjectStruct* result = QORAnewInstanceWithClass(globalFractionRef);
  FractionConstructor(result);
  return result;
}

long FractionNum(QORAobjectStruct* self) {
  const fract* data = dataOf(self);
  return data == nullptr ? 0 : data->num;
}

long FractionDen(QORAobjectStruct* self) {
  const fract* data = dataOf(self);
  return data == nullptr ? 1 : data->den;
}

QORAstringStruct* FractionStr(QORAobjectStruct* self) {
  return textOf(self, FractToStr);
}
QORAstringStruct* FractionStr2(QORAobjectStruct* self) {
  return textOf(self, FractToStr2);
}

// Stored as given, unreduced and unvalidated; only the denominator's sign is dropped. The one
// denominator without a magnitude leaves 0/1 and an overflow instead of a wrapped value.
void NewFraction(QORAobjectStruct* self, long num, long den) {
  fract* data = dataOf(self);
  if (data == nullptr) return;
  if (!negatable(den)) {
    *data = fract{0, 1};
    raiseException(globalIntegerOverflowExceptionRef);
    return;
  }
  *data = fract{num, den < 0 ? -den : den};
}

void NewFractionL(QORAobjectStruct* self, long x) {
  fract* data = dataOf(self);
  if (data != nullptr) *data = fract{x, 1};
}

void NewFractionS(QORAobjectStruct* self, QORAstringStruct* inputString) {
  fract* data = dataOf(self);
  if (data == nullptr) return;
  StringDataRecord record{};
  if (!QORAGetStringData(inputString, kQORAEncodingUTF8, &record)) return;
  // A record the host did not fill in consistently is treated as unavailable data.
  if (record.length < 0 || (record.length > 0 && record.data == nullptr)) return;
  const auto length = static_cast<std::size_t>(record.length);
  char* text = static_cast<char*>(std::malloc(length + 1));
  if (text == nullptr) return;
  if (length > 0) std::memcpy(text, record.data, length);
  text[length] = '\0';
  if (length == 0) {
    *data = fract{0, 1};
  } else if (std::memchr(text, '\0', length) != nullptr || !StrToFract(*data, text)) {
    // A NUL inside the text would hide the rest of it from the parser: malformed as a whole.
    *data = fract{0, 1};
    raiseException(globalBadArgumentExceptionRef);
  }
  std::free(text);
}

QORAobjectStruct* FractionNegate(QORAobjectStruct* self) {
  if (self == nullptr) return NewZeroFraction();
  const fract& data = *dataOf(self);
  if (!negatable(data.num)) {
    raiseException(globalIntegerOverflowExceptionRef);
    return self;
  }
  return newFractionHolding(self, fract{-data.num, data.den});
}

QORAobjectStruct* FAddF(QORAobjectStruct* self, QORAobjectStruct* y) {
  return fractionByFraction(self, y, add, ZeroTest::kNone);
}
QORAobjectStruct* FSubF(QORAobjectStruct* self, QORAobjectStruct* y) {
  return fractionByFraction(self, y, sub, ZeroTest::kNone);
}
QORAobjectStruct* FMulF(QORAobjectStruct* self, QORAobjectStruct* y) {
  return fractionByFraction(self, y, mul, ZeroTest::kNone);
}
QORAobjectStruct* FDivF(QORAobjectStruct* self, QORAobjectStruct* y) {
  return fractionByFraction(self, y, div, ZeroTest::kDivisor);
}
QORAobjectStruct* FAddL(QORAobjectStruct* self, long y) {
  return fractionByInteger(self, y, add, IntegerSide::kRight, ZeroTest::kNone);
}
QORAobjectStruct* FSubL(QORAobjectStruct* self, long y) {
  return fractionByInteger(self, y, sub, IntegerSide::kRight, ZeroTest::kNone);
}
QORAobjectStruct* FMulL(QORAobjectStruct* self, long y) {
  return fractionByInteger(self, y, mul, IntegerSide::kRight, ZeroTest::kNone);
}
QORAobjectStruct* FDivL(QORAobjectStruct* self, long y) {
  return fractionByInteger(self, y, div, IntegerSide::kRight, ZeroTest::kDivisor);
}
QORAobjectStruct* LSubF(QORAobjectStruct* self, long x) {
  return fractionByInteger(self, x, sub, IntegerSide::kLeft, ZeroTest::kNone);
}
QORAobjectStruct* LDivF(QORAobjectStruct* self, long x) {
  return fractionByInteger(self, x, div, IntegerSide::kLeft, ZeroTest::kDivisor);
}

QORAobjectStruct* myPowFL(QORAobjectStruct* self, long x) {
  return PowFL(self, x);
}

long CompareFF(QORAobjectStruct* self, QORAobjectStruct* x) {
  const fract* a = dataOf(self);
  const fract* b = dataOf(x);
  if (a == nullptr || b == nullptr) return 0;
  return compare(*a, *b);
}

long CompareFL(QORAobjectStruct* self, long x) {
  const fract* a = dataOf(self);
  if (a == nullptr) return 0;
  return compare(*a, fract{x, 1});
}

double ConvToDouble(QORAobjectStruct* x) {
  const fract* data = dataOf(x);
  return data == nullptr ? 0.0 : convToDouble(*data);
}

QORAobjectStruct* AbsF(QORAobjectStruct* x) {
  const fract* data = dataOf(x);
  if (data == nullptr) return x;
  if (!negatable(data->num)) {
    raiseException(globalIntegerOverflowExceptionRef);
    return x;
  }
  return newFractionHolding(x, fract{data->num < 0 ? -data->num : data->num, data->den});
}

QORAobjectStruct* SqrF(QORAobjectStruct* x) {
  const fract* data = dataOf(x);
  if (data == nullptr) return x;
  return resultOf(x, square, *data, *data);
}

// Zero to the power zero has no value and zero to a negative power divides by zero; both are
// refused before a result object is made. x^0 is 1/1 and 0^n is 0/1 without asking the core.
QORAobjectStruct* PowFL(QORAobjectStruct* x, long y) {
  const fract* base = dataOf(x);
  if (base == nullptr) return x;
  if (base->num == 0 && y == 0) {
    raiseException(globalBadArgumentExceptionRef);
    return x;
  }
  if (base->num == 0 && y < 0) {
    raiseException(globalDivideByZeroExceptionRef);
    return x;
  }
  QORAobjectStruct* result = QORAnewInstanceWithClass(globalFractionRef);
  fract* power = dataOf(result);
  if (power == nullptr) return x;
  if (y == 0) {
    *power = fract{1, 1};
  } else if (base->num == 0) {
    *power = fract{0, 1};
  } else if (!myPow(*power, *base, y)) {
    raiseException(globalIntegerOverflowExceptionRef);
    return x;
  }
  return result;
}
