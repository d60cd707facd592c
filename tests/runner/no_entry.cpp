// A shared library that is not a plug-in: it lacks the entry point the host looks for.
extern "C" int quorvexNotAPlugin() {
  return 0;
}
