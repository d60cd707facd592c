// One row of a catalogue as the tests that run every row hold it (CatalogueRows.inc makes them).
#ifndef QUORVEX_TESTS_PROXIES_CATALOGUEROW_H
#define QUORVEX_TESTS_PROXIES_CATALOGUEROW_H

namespace proxytest {

enum class RowKind { plain, element, irregular, forward };

struct Row {
  const char* catalogue;
  const char* proxy;
  RowKind kind;
  int proxies;      // an element row stands for three
  void (*check)();  // null for a hand-written proxy: its checks are the test's own
};

}  // namespace proxytest

#endif  // QUORVEX_TESTS_PROXIES_CATALOGUEROW_H
