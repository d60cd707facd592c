// quorvex: runs host-language programs with the plug-in loaded into the stand-in host.
#include <quorvex/host.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "completion.h"
#include "crash_report.h"
#include "host_binding.h"
#include "line_reader.h"
#include "options.h"
#include "quorvex/lang/deep_stack.h"
#include "quorvex/lang/interpreter.h"
#include "quorvex/lang/parser.h"

namespace {

using namespace quorvex;

constexpr int kDone = 0;
constexpr int kProgramFailed = 1;
constexpr int kNotRun = 2;
constexpr int kInterrupted = 130;  // as shells report a run ended by Ctrl-C

struct Session {
  std::string source;  // the name errors are reported under
  lang::Interpreter& interpreter;
  const lang::ObjectHost& host;
  bool interrupted = false;  // the last run was stopped by Ctrl-C
  bool terminal = false;     // input and messages at a terminal

  // Parses, checks and runs one piece of text; reports a fault and returns false.
  bool run(const std::string& text, int firstLine) {
    try {
      lang::Program program = lang::parse(text, firstLine);
      interpreter.run(std::move(program));
      std::cout.flush();
      return true;
    } catch (const lang::ProgramError& e) {
      report(e.pos, std::string("error: ") + e.what());
    } catch (const lang::UncaughtException& e) {
      report(e.pos, e.describe());
    } catch (const lang::Interrupted& e) {
      if (terminal) std::cerr << "\n";  // the terminal echoed ^C where the cursor was
      report(e.pos, "interrupted");
      interrupted = true;
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

// A folder opens as a stream on some systems and reads as empty, so it is turned away by name.
bool readProgram(const std::string& path, std::string& text, std::string& error) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) {
    error = "no such file";
    return false;
  }
  if (status.type() == std::filesystem::file_type::directory) {
    error = "it is a folder";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  if (in) all << in.rdbuf();
  if (!in || in.bad()) {
    error = "it cannot be read";
    return false;
  }
  text = all.str();
  return true;
}

// An unfinished block is parsed as it stands, so that a fault on the line just typed is reported
// at once; what is missing only at the end is the block still being typed.
bool faultBeforeTheEnd(Session& session, const std::string& pending, int firstLine, int lastLine) {
  try {
    lang::parse(pending, firstLine);
  } catch (const lang::ProgramError& e) {
    if (e.pos.line > lastLine) return false;
    session.report(e.pos, std::string("error: ") + e.what());
    return true;
  }
  return false;
}

int runInteractive(Session& session, bool terminal) {
  if (terminal) {
    std::cout << "quorvex: one statement a line; blocks run when closed. Ctrl-C stops what runs "
                 "or drops what is typed; Ctrl-D leaves.\n";
    runner::startHistory(runner::historyPath());
    runner::setCompleter([&session](std::string_view line, std::size_t start) {
      return runner::complete(runner::vocabularyOf(session.host, session.interpreter), line, start);
    });
  }
  std::string pending;
  int nextLine = 1, pendingStart = 1;
  bool allOk = true;
  for (;;) {
    const runner::Line line = runner::readLine(pending.empty() ? "> " : "... ", terminal);
    if (line.kind == runner::Line::Kind::End) break;
    if (line.kind == runner::Line::Kind::Interrupted) {
      pending.clear();
      continue;
    }
    if (pending.empty()) pendingStart = nextLine;
    pending += line.text + "\n";
    ++nextLine;
    if (lang::openBlocks(pending) > 0) {
      if (!faultBeforeTheEnd(session, pending, pendingStart, nextLine - 1)) continue;
      allOk = false;
    } else {
      allOk = session.run(pending, pendingStart) && allOk;
    }
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
    if (!readProgram(options->program, text, error)) {
      std::cerr << "quorvex: cannot read the program " << options->program << ": " << error << "\n";
      return kNotRun;
    }
  }

  const std::string plugin = runner::choosePlugin(*options, argc > 0 ? argv[0] : nullptr);
  // Before the host, so that it still reports while the host unloads the plug-in.
  runner::CrashReport crashes;
  Host host;
  // In place: a run leaves no copy behind. Probed first: a damaged file is reported, not crashed
  // on.
  LoadOptions load;
  load.privateCopy = false;
  load.probeFirst = true;
  // Armed for the load too: where no child process can probe it first (Windows), a plug-in that
  // crashes while it starts is reported like one that crashes later.
  crashes.arm(plugin, kNotRun);
  if (!host.load(plugin, &error, load)) {
    std::cerr << "quorvex: the plug-in was not loaded: "
              << (error.empty() ? "cannot load " + plugin : error) << "\n";
    if (options->plugin.empty()) {
      std::cerr << "(give its path with --plugin PATH or the QUORVEX_PLUGIN variable)\n";
    }
    return kNotRun;
  }
  runner::HostBinding binding(host);
  lang::Interpreter interpreter(binding, std::cout);
  runner::catchInterrupts();
  interpreter.setInterruptFlag(&runner::interruptFlag());
  Session session{fromFile ? options->program : "<stdin>", interpreter, binding};

  const bool terminal = !fromFile && runner::standardInputIsTerminal();
  session.terminal = terminal;
  if (!fromFile && (terminal || options->interactive)) return runInteractive(session, terminal);
  if (!fromFile) {
    std::ostringstream all;
    all << std::cin.rdbuf();
    text = all.str();
  }
  // Editors on Windows may start a UTF-8 file with a byte order mark.
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  if (session.run(text, 1)) return kDone;
  return session.interrupted ? kInterrupted : kProgramFailed;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    // The plug-in is loaded, started and called on one thread, as the host it stands in for does;
    // the deep stack lets a program's recursion reach its bound instead of the stack's end.
    int status = kProgramFailed;
    lang::runSession([&] { status = runMain(argc, argv); });
    return status;
  } catch (const std::exception& e) {
    std::cerr << "quorvex: internal error: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "quorvex: internal error\n";
  }
  return kProgramFailed;
}
