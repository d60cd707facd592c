// The Fraction class binding: the records and tables handed to the host, the class references
// kept from registration, and every host-callable function behind the declarations.
#ifndef QUORVEX_FRACTIONCLASS_H
#define QUORVEX_FRACTIONCLASS_H

#include "GlueCode/PluginMain.h"

constexpr std::intptr_t kFractionMethodCount = 24;
constexpr std::size_t kOtherFractionMethodCount = 4;

// Written only during start-up: PluginEntry sets each record's flags and the host fills in its
// dataOffset as it registers it. Start-up ends before any thread can call into the plug-in, so from
// then on threads only read them, and need no lock or atomic to do so.
extern QORAclassDefinition FractionClass;
extern QORAclassDefinition BadArgumentExceptionClass;
extern QORAclassDefinition DivideByZeroExceptionClass;
extern QORAclassDefinition IntegerOverflowExceptionClass;
extern QORAmethodEntry FractionMethods[kFractionMethodCount];
extern QORAmethodEntry otherFractionMethods[kOtherFractionMethodCount];

// Written once, by PluginEntry, before any thread can call into the plug-in; only read afterwards,
// by any number of threads at once. Beyond these and the records above, the binding keeps no state
// that two calls share: each call works on its arguments and on objects the host hands it.
extern QORAclassRefStruct* globalFractionRef;
extern QORAclassRefStruct* globalBadArgumentExceptionRef;
extern QORAclassRefStruct* globalDivideByZeroExceptionRef;
extern QORAclassRefStruct* globalIntegerOverflowExceptionRef;
extern QORAstringStruct* nullString;

void FractionConstructor(QORAobjectStruct* self);
void FractionDestructor(QORAobjectStruct* self);
QORAobjectStruct* NewZeroFraction();

long FractionNum(QORAobjectStruct* self);
long FractionDen(QORAobjectStruct* self);
QORAstringStruct* FractionStr(QORAobjectStruct* self);
QORAstringStruct* FractionStr2(QORAobjectStruct* self);

void NewFraction(QORAobjectStruct* self, long num, long den);
void NewFractionL(QORAobjectStruct* self, long x);
void NewFractionS(QORAobjectStruct* self, QORAstringStruct* inputString);

QORAobjectStruct* FractionNegate(QORAobjectStruct* self);
QORAobjectStruct* FAddF(QORAobjectStruct* self, QORAobjectStruct* y);
QORAobjectStruct* FSubF(QORAobjectStruct* self, QORAobjectStruct* y);
QORAobjectStruct* FMulF(QORAobjectStruct* self, QORAobjectStruct* y);
QORAobjectStruct* FDivF(QORAobjectStruct* self, QORAobjectStruct* y);
QORAobjectStruct* FAddL(QORAobjectStruct* self, long y);
QORAobjectStruct* FSubL(QORAobjectStruct* self, long y);
QORAobjectStruct* FMulL(QORAobjectStruct* self, long y);
QORAobjectStruct* FDivL(QORAobjectStruct* self, long y);
QORAobjectStruct* LSubF(QORAobjectStruct* self, long x);
QORAobjectStruct* LDivF(QORAobjectStruct* self, long x);
QORAobjectStruct* myPowFL(QORAobjectStruct* self, long x);
long CompareFF(QORAobjectStruct* self, QORAobjectStruct* x);
long CompareFL(QORAobjectStruct* self, long x);

double ConvToDouble(QORAobjectStruct* x);
QORAobjectStruct* AbsF(QORAobjectStruct* x);
QORAobjectStruct* SqrF(QORAobjectStruct* x);
QORAobjectStruct* PowFL(QORAobjectStruct* x, long y);

#endif  // QUORVEX_FRACTIONCLASS_H
