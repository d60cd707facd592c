// What the host reads from the plug-in's records and tables once the entry point has run.
#include <cstring>

#include "BindingFixture.h"
#include "ExpectedDeclarations.h"

namespace binding {
namespace {

using expected::kFractionDeclarations;
using expected::kGlobalDeclarations;

TEST_F(Binding, FractionRecordAfterRegistration) {
  const quorvex::ClassInfo* fraction = host.findClass("Fraction");
  ASSERT_NE(fraction, nullptr);
  EXPECT_TRUE(fraction->registered);
  EXPECT_EQ(fraction->version, 13u);
  EXPECT_EQ(fraction->dataSize, 2 * sizeof(long));
  EXPECT_NE(fraction->dataOffset, 0u) << "the stand-in host always moves the data";
  EXPECT_EQ(fraction->methodCount, 24u);
  EXPECT_EQ(fraction->flags & 4u, 4u);
  ASSERT_EQ(fraction->methods.size(), std::size(kFractionDeclarations));
  for (std::size_t i = 0; i < fraction->methods.size(); ++i) {
    const quorvex::Method& method = fraction->methods[i];
    EXPECT_EQ(method.declaration, kFractionDeclarations[i]) << "entry " << i + 1;
    EXPECT_TRUE(method.valid) << method.declaration << ": " << method.problem;
    EXPECT_EQ(method.flags, 4u) << method.declaration;
  }
  EXPECT_EQ(fraction->constructor, fraction->methods[4].function)
      << "Constructor() is the record's";
  EXPECT_NE(fraction->destructor, nullptr);
}

TEST_F(Binding, RightHandFormsShareOnlyWhereTheOperationCommutes) {
  const quorvex::ClassInfo* fraction = host.findClass("Fraction");
  ASSERT_NE(fraction, nullptr);
  ASSERT_EQ(fraction->methods.size(), 24u);
  auto fn = [&](std::size_t entry) { return fraction->methods[entry - 1].function; };
  EXPECT_EQ(fn(11), fn(12)) << "Add Integer and AddRight";
  EXPECT_EQ(fn(17), fn(18)) << "Multiply Integer and MultiplyRight";
  EXPECT_NE(fn(14), fn(15)) << "Subtract Integer and SubtractRight";
  EXPECT_NE(fn(20), fn(21)) << "Divide Integer and DivideRight";
}

TEST_F(Binding, ExceptionRecordsCarryOnlyVersionAndName) {
  for (const char* name : {kBadArgument, kDivideByZero, kOverflow}) {
    const quorvex::ClassInfo* info = host.findClass(name);
    ASSERT_NE(info, nullptr) << name;
    EXPECT_TRUE(info->registered) << name;
    EXPECT_EQ(info->version, 13u) << name;
    EXPECT_EQ(info->dataSize, 0u) << name;
    EXPECT_EQ(info->methodCount, 0u) << name;
    EXPECT_EQ(info->constructor, nullptr) << name;
    EXPECT_EQ(info->destructor, nullptr) << name;
    EXPECT_EQ(info->flags, 4u) << name << ": declared 0, made console-safe";
  }
}

TEST_F(Binding, GlobalFunctionsInTableOrder) {
  const std::vector<quorvex::Method>& globals = host.globals();
  ASSERT_EQ(globals.size(), std::size(kGlobalDeclarations));
  for (std::size_t i = 0; i < globals.size(); ++i) {
    EXPECT_EQ(globals[i].declaration, kGlobalDeclarations[i]);
    EXPECT_EQ(globals[i].flags, 4u);
  }
}

TEST_F(Binding, NewInstanceHoldsZeroOverOne) {
  quorvex::Outcome made = host.construct("Fraction");
  ASSERT_TRUE(made.ok()) << made.error;
  quorvex::DataView data = host.instanceData(made.value);
  ASSERT_EQ(data.size, 2 * sizeof(long));
  long fields[2];
  std::memcpy(fields, data.bytes, sizeof fields);
  EXPECT_EQ(fields[0], 0);
  EXPECT_EQ(fields[1], 1);
}

}  // namespace
}  // namespace binding
