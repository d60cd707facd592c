// The check of one element row (its insert, get and set proxies), for every test that runs the
// catalogue rows: each operation gets a lookup entry and a procedure entry of its own, recorded by
// the test's recorder, and the same samples. What a test expects of an operation is its own, given
// by a Checks type with:
//   template <class Tag, class R, class... A> using Recorder   the recording host entry;
//   template <class Find, class Proc, class Call, class SawArgs>
//   static void write(const ElementEntry&, const Call& call, const SawArgs& sawArgs)
//       for insert and set: call() calls the proxy, sawArgs() tells whether the procedure saw
//       the row's arguments, converted as the row states and in its order;
//   template <class Find, class Proc, class ValueT, class Get, class SawArgs>
//   static void read(const ElementEntry&, const Get& get, const SawArgs& sawArgs)
//       for get: get(out) calls the proxy with `out` (a ValueT*) to store into.
#ifndef QUORVEX_TESTS_COMMON_ELEMENTCHECK_H
#define QUORVEX_TESTS_COMMON_ELEMENTCHECK_H

#include <tuple>

#include "GlueCode/PluginMain.h"
#include "RecordingHost.h"

namespace proxytest {

// The name an element operation binds, and the one Windows x86 asks after it (null elsewhere).
struct ElementEntry {
  const char* entry;
  const char* fallback;
};

// Keeps the six entries of one row apart: one recorder per operation and role.
template <int Op, class Tag>
struct OpTag;

template <class Checks, class Tag, class ValueT, class ProcT>
void checkElement(void (*insert)(QORAarrayStruct*, QORAInteger, ValueT),
                  void (*get)(QORAarrayStruct*, QORAInteger, ValueT*),
                  void (*set)(QORAarrayStruct*, QORAInteger, ValueT),
                  const ElementEntry& insertName, const ElementEntry& getName,
                  const ElementEntry& setName) {
  QORAarrayStruct* const array = sample<QORAarrayStruct*>(1);
  const QORAInteger index = sample<QORAInteger>(2);
  const ValueT value = sample<ValueT>(3);
  const ProcT procValue = static_cast<ProcT>(value);
  {
    using Find = typename Checks::template Recorder<OpTag<0, Tag>, void*, QORAarrayStruct*>;
    using Proc = typename Checks::template Recorder<OpTag<1, Tag>, void, QORAarrayStruct*,
                                                    QORAInteger, ProcT>;
    Checks::template write<Find, Proc>(
        insertName, [&] { insert(array, index, value); },
        [&] { return Proc::last == std::make_tuple(array, index, procValue); });
  }
  {
    using Find = typename Checks::template Recorder<OpTag<2, Tag>, void*, QORAarrayStruct*>;
    using Proc =
        typename Checks::template Recorder<OpTag<3, Tag>, ProcT, QORAarrayStruct*, QORAInteger>;
    Checks::template read<Find, Proc, ValueT>(
        getName, [&](ValueT* out) { get(array, index, out); },
        [&] { return Proc::last == std::make_tuple(array, index); });
  }
  {
    using Find = typename Checks::template Recorder<OpTag<4, Tag>, void*, QORAarrayStruct*>;
    using Proc = typename Checks::template Recorder<OpTag<5, Tag>, void, QORAarrayStruct*, ProcT,
                                                    QORAInteger>;
    Checks::template write<Find, Proc>(
        setName, [&] { set(array, index, value); },
        [&] { return Proc::last == std::make_tuple(array, procValue, index); });
  }
}

}  // namespace proxytest

#endif  // QUORVEX_TESTS_COMMON_ELEMENTCHECK_H
