// quorvex: runs host-language programs with the plug-in loaded into the stand-in host.
#include <quorvex/host.h>

#include <fstream>
#include <iostream>
#include <sstream>

#include "host_binding.h"
#include "line_reader.h"
#include "options.h"
#include "quorvex/lang/interpreter.h"
#include "quorvex/lang/parser.h"

namespace {

using namespace quorvex;

constexpr int kDone = 0;
constexpr int kProgramFailed = 1;
constexpr int kNotRun = 2;

struct Session {
  std::string source;  // the name errors are reported under
  lang::Interpreter& interpreter;

  // Parses, checks and runs one piece of text; reports a fault and returns false.
  bool run(const std::string& text, int firstLine) {
    try {
      lang::Program program = lang::parse(text, firstLine);
      interpreter.run(program);
      std::cout.flush();
      return true;
    } catch (const lang::ProgramError& e) {
      report(e.pos, std::string("error: ") + e.what());
    } catch (const lang::UncaughtException& e) {
      report(e.pos, "uncaught exception " + e.className + " (raised on line " +
                        std::to_string(e.pos.line) + ")");
    } catch (const std::bad_alloc&) {
      std::cerr << source << ": error: out of memory\n";
    }
    return false;
  }

  void report(lang::Pos pos, const std::string& message) {
    std::cout.flush();
    std::cerr << source << ":" << pos.line << ":" << pos.column << ": " << message << "\n";
  }
};

int runInteractive(Session& session, bool terminal) {
  if (terminal) {
    std::cout << "quorvex: one statement a line; blocks run when closed. Ctrl-D leaves.\n";
  }
  std::string pending;
  int nextLine = 1, pendingStart = 1;
  bool allOk = true;
  for (;;) {
    auto line = runner::readLine(pending.empty() ? "> " : "... ", terminal);
    if (!line) break;
    if (pending.empty()) pendingStart = nextLine;
    pending += *line + "\n";
    ++nextLine;
    if (lang::openBlocks(pending) > 0) continue;
    allOk = session.run(pending, pendingStart) && allOk;
    pending.clear();
  }
  if (!pending.empty()) allOk = session.run(pending, pendingStart) && allOk;
  if (terminal) std::cout << "\n";
  return allOk ? kDone : kProgramFailed;
}

int runMain(int argc, char** argv) {
  std::string error;
  auto options = runner::parseOptions(std::vector<std::string>(argv + 1, argv + argc), &error);
  if (!options) {
    std::cerr << "quorvex: " << error << "\n" << runner::kUsage;
    return kNotRun;
  }
  if (options->help) {
    std::cout << runner::kUsage;
    return kDone;
  }

  std::string text;
  const bool fromFile = !options->program.empty();
  if (fromFile) {
    std::ifstream in(options->program, std::ios::binary);
    if (!in) {
      std::cerr << "quorvex: cannot read the program " << options->program << "\n";
      return kNotRun;
    }
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
  }

  const std::string plugin = runner::choosePlugin(*options, argc > 0 ? argv[0] : nullptr);
  Host host;
  if (!host.load(plugin, &error)) {
    std::cerr << "quorvex: the plug-in was not loaded: "
              << (error.empty() ? "cannot load " + plugin : error) << "\n";
    if (options->plugin.empty()) {
      std::cerr << "(give its path with --plugin PATH or the QUORVEX_PLUGIN variable)\n";
    }
    return kNotRun;
  }
  runner::HostBinding binding(host);
  lang::Interpreter interpreter(binding, std::cout);
  Session session{fromFile ? options->program : "<stdin>", interpreter};

  const bool terminal = !fromFile && runner::standardInputIsTerminal();
  if (!fromFile && (terminal || options->interactive)) return runInteractive(session, terminal);
  if (!fromFile) {
    std::ostringstream all;
    all << std::cin.rdbuf();
    text = all.str();
  }
  // Editors on Windows may start a UTF-8 file with a byte order mark.
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  return session.run(text, 1) ? kDone : kProgramFailed;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return runMain(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "quorvex: internal error: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "quorvex: internal error\n";
  }
  return kProgramFailed;
}
