#include "completion.h"

#include <algorithm>
#include <cctype>

#include "quorvex/lang/parser.h"

namespace quorvex::runner {
namespace {

using lang::sameName;

bool isNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool startsWith(std::string_view name, std::string_view prefix) {
  return name.size() >= prefix.size() && sameName(name.substr(0, prefix.size()), prefix);
}

// The methods a '.' after `receiver` may name.
std::vector<std::string> membersOf(const Vocabulary& names, std::string_view receiver) {
  std::string cls;
  for (const auto& [variable, itsClass] : names.objects) {
    if (sameName(variable, receiver)) cls = itsClass;
  }
  std::vector<std::string> out;
  for (const auto& [owner, methods] : names.methods) {
    if (cls.empty() || sameName(owner, cls)) out.insert(out.end(), methods.begin(), methods.end());
  }
  return out;
}

}  // namespace

Vocabulary vocabularyOf(const lang::ObjectHost& host, const lang::Interpreter& interpreter) {
  Vocabulary names;
  names.words = lang::languageWords();
  for (const std::string& cls : host.classNames()) {
    names.words.push_back(cls);
    names.methods.emplace_back(cls, host.methodNames(cls));
  }
  for (std::string& global : host.globalNames()) names.words.push_back(std::move(global));
  lang::Interpreter::Names declared = interpreter.declaredNames();
  for (auto& [variable, cls] : declared.variables) {
    names.words.push_back(variable);
    if (!cls.empty()) names.objects.emplace_back(std::move(variable), std::move(cls));
  }
  for (std::string& procedure : declared.procedures) names.words.push_back(std::move(procedure));
  return names;
}

std::vector<std::string> complete(const Vocabulary& names, std::string_view line,
                                  std::size_t start) {
  start = std::min(start, line.size());
  const std::string_view word = line.substr(start);
  std::vector<std::string> candidates;
  if (start > 0 && line[start - 1] == '.') {
    std::size_t from = start - 1;
    while (from > 0 && isNameChar(line[from - 1])) --from;
    candidates = membersOf(names, line.substr(from, start - 1 - from));
  } else {
    candidates = names.words;
  }
  std::vector<std::string> out;
  for (std::string& name : candidates) {
    if (startsWith(name, word)) out.push_back(std::move(name));
  }
  const auto caseless = [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(static_cast<unsigned char>(x)) <
             std::tolower(static_cast<unsigned char>(y));
    });
  };
  std::sort(out.begin(), out.end(), caseless);
  out.erase(std::unique(out.begin(), out.end(),
                        [](const std::string& a, const std::string& b) { return sameName(a, b); }),
            out.end());
  return out;
}

}  // namespace quorvex::runner
