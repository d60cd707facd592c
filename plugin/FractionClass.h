// The Fraction class binding: the records and tables handed to the host, the class references
// kept from registration, and every host-callable function behind the declarations.
#ifndef QUORVEX_FRACTIONCLASS_H
#define QUORVEX_FRACTIONCLASS_H

#include "GlueCode/PluginMain.h"

constexpr std::intptr_t kFractionMethodCount = 24;
constexpr std::size_t kOtherFractionMethodCount = 4;

extern QORAclassDefinition FractionClass;
extern QORAclassDefinition BadArgumentExceptionClass;
extern QORAclassDefinition DivideByZeroExceptionClass;
extern QORAclassDefinition IntegerOverflowExceptionClass;
extern QORAmethodEntry FractionMethods[kFractionMethodCount];
extern QORAmethodEntry otherFractionMethods[kOtherFractionMethodCount];

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
