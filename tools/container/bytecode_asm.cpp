#include "container/bytecode_asm.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>

namespace container {
namespace {

enum class Form { Single, Double, None };

struct Mnemonic {
  const char* name;
  uint8_t opcode;
};

// The 0x99 form of call is chosen by its operand (a count instead of a function name).
constexpr Mnemonic kMnemonics[] = {
    {"pushv", 0x80}, {"push", 0xC0},  {"push.l", 0xC1}, {"push.g", 0xC2}, {"push.b", 0xC3},  {"push.i", 0x84},
    {"popv", 0x05},  {"pop", 0x45},   {"dup", 0x86},    {"conv", 0x07},   {"mul", 0x08},     {"div", 0x09},
    {"rem", 0x0A},   {"mod", 0x0B},   {"add", 0x0C},    {"sub", 0x0D},    {"and", 0x0E},     {"or", 0x0F},
    {"xor", 0x10},   {"neg", 0x11},   {"not", 0x12},    {"shl", 0x13},    {"shr", 0x14},     {"set", 0x15},
    {"b", 0xB6},     {"bt", 0xB7},    {"bf", 0xB8},     {"call", 0xD9},   {"pushenv", 0xBA}, {"popenv", 0xBB},
    {"ret", 0x9C},   {"exit", 0x9D},  {"popz", 0x9E},   {"break", 0xFF},
};

Form FormOf(uint8_t opcode) {
  if ((opcode & 0xA0) == 0x80) return Form::Single;
  if ((opcode & 0xA0) == 0) return Form::Double;
  return Form::None;
}
int Suffixes(Form form) { return form == Form::Single ? 1 : form == Form::Double ? 2 : 0; }

constexpr const char* kSuffixes[16] = {"d", "f", "i", "l", "b", "v", "s", "ds", "", "", "", "", "", "", "", "e"};
std::optional<uint32_t> TypeOf(std::string_view s) {
  for (uint32_t t = 0; t < 16; ++t) {
    if (kSuffixes[t][0] != '\0' && s == kSuffixes[t]) return t;
  }
  return std::nullopt;
}
const char* MnemonicName(uint8_t opcode) {
  if (opcode == 0x99) return "call";
  for (const Mnemonic& m : kMnemonics) {
    if (m.opcode == opcode) return m.name;
  }
  return nullptr;
}
int OperandSize(uint32_t type) {
  static constexpr int kSizes[16] = {8, 4, 4, 8, 4, 4, 4, 4, 0, 0, 0, 0, 0, 0, 0, 0};
  return kSizes[type & 0xF];
}

struct Instance {
  const char* keyword;
  int32_t type;
  int32_t scope;
};
constexpr Instance kInstances[] = {
    {"self", -1, -1}, {"other", -2, -1}, {"global", -5, -5}, {"builtin", -6, -6}, {"local", -7, -7},
};

// Splits a line into tokens; a quoted text (with \" and \\ escapes) is one token, kept quoted.
std::vector<std::string> Tokens(std::string_view line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ';') break;
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    std::string token;
    if (line[i] == '"') {
      token += '"';
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        token += line[i];
      }
      ++i;
      token += '"';
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != ';') token += line[i++];
    }
    out.push_back(std::move(token));
  }
  return out;
}

bool ParseInt(const std::string& s, int64_t* v) {
  if (s.empty()) return false;
  char* end = nullptr;
  *v = std::strtoll(s.c_str(), &end, 0);
  return *end == '\0';
}

void PutU32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
uint32_t GetU32(const std::vector<uint8_t>& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

class Assembler {
 public:
  explicit Assembler(BytecodeProgram* program) : m_p(program) {}

  bool Line(std::string_view text, std::string* error) {
    std::vector<std::string> t = Tokens(text);
    if (t.empty()) return true;
    if (t[0] == ".layout" && t.size() == 2) {
      m_p->old_layout = t[1] == "old";
      return t[1] == "old" || t[1] == "new" || Fail(error, "layout is old or new");
    }
    if (t[0] == ".chains" && t.size() == 2) {
      m_p->backward_chains = t[1] == "backward";
      return t[1] == "backward" || t[1] == "forward" || Fail(error, "chains are forward or backward");
    }
    if (t[0] == ".code") {
      if (!Finish(error)) return false;
      if (t.size() < 2) return Fail(error, ".code needs a name");
      BytecodeCode code;
      code.name = t[1];
      for (size_t i = 2; i < t.size(); ++i) {
        int64_t v = 0;
        if (t[i].rfind("locals=", 0) == 0 && ParseInt(t[i].substr(7), &v)) {
          code.locals = static_cast<uint16_t>(v);
        } else if (t[i].rfind("args=", 0) == 0 && ParseInt(t[i].substr(5), &v)) {
          code.arguments = static_cast<uint16_t>(v);
        } else {
          return Fail(error, "unknown .code field " + t[i]);
        }
      }
      m_p->codes.push_back(std::move(code));
      return true;
    }
    if (m_p->codes.empty()) return Fail(error, "an instruction before .code");
    BytecodeCode& code = m_p->codes.back();
    if (t[0].back() == ':' && t.size() == 1) {
      const std::string label = t[0].substr(0, t[0].size() - 1);
      if (m_labels.count(label) != 0) return Fail(error, "label " + label + " twice");
      m_labels[label] = static_cast<uint32_t>(code.bytes.size());
      code.labels.emplace_back(static_cast<uint32_t>(code.bytes.size()), label);
      return true;
    }
    return Instruction(t, code, error);
  }

  bool Finish(std::string* error) {
    if (m_p->codes.empty()) return true;
    BytecodeCode& code = m_p->codes.back();
    for (const auto& [position, label] : m_branches) {
      auto found = m_labels.find(label);
      if (found == m_labels.end()) return Fail(error, "no label " + label);
      const int32_t offset = (static_cast<int32_t>(found->second) - static_cast<int32_t>(position)) / 4;
      const uint32_t word = (GetU32(code.bytes, position) & 0xFF800000u) | (static_cast<uint32_t>(offset) & 0x7FFFFFu);
      std::memcpy(code.bytes.data() + position, &word, 4);
    }
    m_branches.clear();
    m_labels.clear();
    return true;
  }

 private:
  static bool Fail(std::string* error, const std::string& message) {
    *error = message;
    return false;
  }

  uint32_t Variable(const std::string& name, int32_t scope) {
    for (uint32_t i = 0; i < m_p->variables.size(); ++i) {
      if (m_p->variables[i].name == name && m_p->variables[i].scope == scope) return i;
    }
    int32_t index = -6;
    if (scope == -5) index = m_p->global_count++;
    if (scope == -1) index = m_p->instance_count++;
    if (scope == -7) index = m_p->local_count++;
    m_p->variables.push_back({name, scope, index});
    return static_cast<uint32_t>(m_p->variables.size() - 1);
  }

  // VARIABLE operand: sets the instance type and the reference.
  bool VariableOperand(const std::string& s, int32_t* instance, uint32_t* symbol, std::string* error) {
    const size_t dot = s.find('.');
    if (dot == std::string::npos || dot + 1 >= s.size()) return Fail(error, "variable " + s + " needs scope.name");
    const std::string scope = s.substr(0, dot);
    const std::string name = s.substr(dot + 1);
    for (const Instance& i : kInstances) {
      if (scope == i.keyword) {
        *instance = i.type;
        *symbol = Variable(name, i.scope);
        return true;
      }
    }
    int64_t v = 0;
    if (scope.rfind("inst(", 0) == 0 && scope.back() == ')' && ParseInt(scope.substr(5, scope.size() - 6), &v)) {
      *instance = static_cast<int32_t>(v);
      *symbol = Variable(name, -1);
      return true;
    }
    return Fail(error, "unknown scope " + scope);
  }

  bool Instruction(const std::vector<std::string>& t, BytecodeCode& code, std::string* error) {
    // Longest known mnemonic whose form takes the suffixes that follow it.
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
      const size_t dot = t[0].find('.', start);
      parts.push_back(t[0].substr(start, dot - start));
      if (dot == std::string::npos) break;
      start = dot + 1;
    }
    uint8_t opcode = 0;
    uint32_t types[2] = {15, 0};
    bool found = false;
    for (size_t k = std::min<size_t>(parts.size(), 2); k >= 1 && !found; --k) {
      std::string base = parts[0];
      if (k == 2) base += "." + parts[1];
      for (const Mnemonic& m : kMnemonics) {
        if (base != m.name || static_cast<size_t>(Suffixes(FormOf(m.opcode))) != parts.size() - k) continue;
        bool ok = true;
        for (size_t s = k; s < parts.size(); ++s) {
          auto type = TypeOf(parts[s]);
          ok = ok && type.has_value();
          if (type) types[s - k] = *type;
        }
        if (!ok) continue;
        opcode = m.opcode;
        found = true;
      }
    }
    if (!found) return Fail(error, "unknown instruction " + t[0]);

    std::vector<std::string> args;
    int64_t imm = 0, kind = -1, vflags = 2, raw = -1;
    for (size_t i = 1; i < t.size(); ++i) {
      int64_t v = 0;
      auto field = [&](const char* key, int64_t* out) {
        const size_t n = std::strlen(key);
        if (t[i].compare(0, n, key) != 0) return false;
        if (!ParseInt(t[i].substr(n), &v)) return false;
        *out = v;
        return true;
      };
      if (t[i][0] != '"' && (field("imm=", &imm) || field("kind=", &kind) || field("vflags=", &vflags) || field("raw=", &raw))) {
        continue;
      }
      args.push_back(t[i]);
    }
    if (opcode == 0xD9 && !args.empty() && (std::isdigit(static_cast<unsigned char>(args[0][0])) || args[0][0] == '-')) {
      opcode = 0x99;
    }

    const uint32_t position = static_cast<uint32_t>(code.bytes.size());
    uint32_t type1 = types[0], type2 = types[1];
    if (FormOf(opcode) == Form::None) type1 = opcode == 0xFF ? 15 : 0;
    std::vector<uint8_t> operand;
    size_t next = 0;
    auto needArg = [&](const char* what) -> const std::string* {
      if (next >= args.size()) {
        Fail(error, std::string(t[0]) + " needs " + what);
        return nullptr;
      }
      return &args[next++];
    };
    std::optional<BytecodeRef> ref;
    bool operandFollows = (opcode & 0x40) != 0;
    if (raw >= 0) {
      type1 = (static_cast<uint32_t>(raw) >> 16) & 0xF;
      operandFollows = (static_cast<uint32_t>(raw) & 0x40000000u) != 0;
    }
    if (FormOf(opcode) == Form::None && opcode != 0xFF) {
      const std::string* label = needArg("a label");
      if (label == nullptr) return false;
      if (raw < 0) m_branches.emplace_back(position, *label);
    } else if (opcode == 0xFF || opcode == 0x84 || opcode == 0x86 || opcode == 0x99 || opcode == 0x15) {
      if (next < args.size()) {
        int64_t v = 0;
        if (!ParseInt(args[next++], &v)) return Fail(error, "a number was expected");
        if (opcode == 0x15) kind = v; else imm = v;
      }
    }
    // pop with the value first (first type .i) still names its variable.
    const bool variableOperand = type1 == 5 || (opcode == 0x45 && type1 == 2);
    if (operandFollows) {
      switch (variableOperand ? 5u : type1) {
        case 0:
        case 1: {
          const std::string* s = needArg("a number");
          if (s == nullptr) return false;
          char* end = nullptr;
          const double d = std::strtod(s->c_str(), &end);
          if (*end != '\0') return Fail(error, "bad number " + *s);
          if (type1 == 0) {
            operand.resize(8);
            std::memcpy(operand.data(), &d, 8);
          } else {
            const float f = static_cast<float>(d);
            operand.resize(4);
            std::memcpy(operand.data(), &f, 4);
          }
          break;
        }
        case 2:
        case 3:
        case 7: {
          const std::string* s = needArg("an operand");
          if (s == nullptr) return false;
          int64_t v = 0;
          if (opcode == 0xD9 && type1 == 2 && !ParseInt(*s, &v)) {
            uint32_t symbol = 0;
            while (symbol < m_p->functions.size() && m_p->functions[symbol] != *s) ++symbol;
            if (symbol == m_p->functions.size()) m_p->functions.push_back(*s);
            ref = BytecodeRef{BytecodeRef::Kind::Function, position, symbol, {}};
            const std::string* count = needArg("an argument count");
            if (count == nullptr || !ParseInt(*count, &imm)) return Fail(error, "call needs an argument count");
            operand.assign(4, 0);
            break;
          }
          if (!ParseInt(*s, &v)) return Fail(error, "bad integer " + *s);
          operand.resize(static_cast<size_t>(OperandSize(type1)));
          std::memcpy(operand.data(), &v, operand.size());
          break;
        }
        case 4: {
          const std::string* s = needArg("true or false");
          if (s == nullptr) return false;
          int64_t v = 0;
          if (*s == "true") v = 1;
          else if (*s != "false" && !ParseInt(*s, &v)) return Fail(error, "bad bool " + *s);
          operand.resize(4);
          std::memcpy(operand.data(), &v, 4);
          break;
        }
        case 5: {
          const std::string* s = needArg("a variable");
          if (s == nullptr) return false;
          int32_t instance = 0;
          uint32_t symbol = 0;
          if (!VariableOperand(*s, &instance, &symbol, error)) return false;
          imm = instance;
          ref = BytecodeRef{BytecodeRef::Kind::Variable, position, symbol, {}};
          operand.resize(4);
          const uint32_t w = static_cast<uint32_t>(vflags & 0xF) << 28;
          std::memcpy(operand.data(), &w, 4);
          break;
        }
        case 6: {
          const std::string* s = needArg("a quoted text");
          if (s == nullptr || s->size() < 2 || (*s)[0] != '"') return Fail(error, "a quoted text was expected");
          ref = BytecodeRef{BytecodeRef::Kind::String, position, 0, s->substr(1, s->size() - 2)};
          operand.assign(4, 0);
          break;
        }
        default:
          break;
      }
    }
    if (next != args.size()) return Fail(error, "too many operands for " + t[0]);
    uint32_t word = static_cast<uint32_t>(opcode) << 24 | (type2 & 0xF) << 20 | (type1 & 0xF) << 16 |
                    (static_cast<uint32_t>(imm) & 0xFFFF);
    if (kind >= 0) word = (word & 0xFFFF00FFu) | (static_cast<uint32_t>(kind) & 0xFF) << 8;
    if (raw >= 0) word = static_cast<uint32_t>(raw);
    PutU32(code.bytes, word);
    code.bytes.insert(code.bytes.end(), operand.begin(), operand.end());
    if (ref) code.refs.push_back(*ref);
    return true;
  }

  BytecodeProgram* m_p;
  std::map<std::string, uint32_t> m_labels;
  std::vector<std::pair<uint32_t, std::string>> m_branches;
};

std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// The VARIABLE operand of the instruction at `at` (with vflags when they are not the default);
// empty when no variable reference is there.
std::string VariableText(const BytecodeProgram& program, const BytecodeCode& code, size_t at, int32_t imm,
                         bool* immShown) {
  const BytecodeRef* r = nullptr;
  for (const BytecodeRef& c : code.refs) {
    if (c.position == at && c.kind == BytecodeRef::Kind::Variable) r = &c;
  }
  if (r == nullptr) return {};
  const BytecodeVariable& v = program.variables[r->symbol];
  std::string scope;
  for (const Instance& i : kInstances) {
    if (i.type == imm && i.scope == v.scope) scope = i.keyword;
  }
  if (scope.empty()) scope = "inst(" + std::to_string(imm) + ")";
  std::string operand = scope + "." + v.name;
  *immShown = true;
  const uint32_t flags = GetU32(code.bytes, at + 4) >> 28;
  if (flags != 2) operand += " vflags=" + std::to_string(flags);
  return operand;
}

}  // namespace

bool assemble_bytecode(std::string_view text, BytecodeProgram* program, std::string* error) {
  *program = {};
  Assembler assembler(program);
  size_t number = 0;
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    ++number;
    std::string message;
    if (!assembler.Line(text.substr(start, end - start), &message)) {
      *error = "line " + std::to_string(number) + ": " + message;
      return false;
    }
    start = end + 1;
  }
  std::string message;
  if (!assembler.Finish(&message)) {
    *error = "at the end: " + message;
    return false;
  }
  return true;
}

std::string disassemble_bytecode(const BytecodeProgram& program) {
  std::ostringstream out;
  out << ".layout " << (program.old_layout ? "old" : "new") << "\n";
  if (program.backward_chains) out << ".chains backward\n";
  for (const BytecodeCode& code : program.codes) {
    out << ".code " << code.name;
    if (code.locals != 0) out << " locals=" << code.locals;
    if (code.arguments != 0) out << " args=" << code.arguments;
    out << "\n";
    std::map<uint32_t, std::string> refText;
    for (const BytecodeRef& r : code.refs) {
      if (r.kind == BytecodeRef::Kind::String) refText[r.position] = Quote(r.text);
      if (r.kind == BytecodeRef::Kind::Function) refText[r.position] = program.functions[r.symbol];
      if (r.kind == BytecodeRef::Kind::Variable) refText[r.position] = program.variables[r.symbol].name;
    }
    // Branch targets get labels L<position> unless the source named them.
    std::map<uint32_t, std::string> labels;
    for (const auto& [position, name] : code.labels) labels.emplace(position, name);
    for (size_t at = 0; at + 4 <= code.bytes.size();) {
      const uint32_t word = GetU32(code.bytes, at);
      const uint8_t opcode = static_cast<uint8_t>(word >> 24);
      if (FormOf(opcode) == Form::None && opcode != 0xFF) {
        const int32_t offset = static_cast<int32_t>((word & 0x7FFFFFu) << 9) >> 9;
        const uint32_t target = static_cast<uint32_t>(static_cast<int64_t>(at) + 4 * static_cast<int64_t>(offset));
        labels.emplace(target, "L" + std::to_string(target));
      }
      at += 4 + ((word & 0x40000000u) != 0 ? static_cast<size_t>(OperandSize((word >> 16) & 0xF)) : 0);
    }
    for (size_t at = 0; at < code.bytes.size();) {
      if (auto l = labels.find(static_cast<uint32_t>(at)); l != labels.end()) out << l->second << ":\n";
      const uint32_t word = GetU32(code.bytes, at);
      const uint8_t opcode = static_cast<uint8_t>(word >> 24);
      const uint32_t type1 = (word >> 16) & 0xF, type2 = (word >> 20) & 0xF;
      const int32_t imm = static_cast<int16_t>(word & 0xFFFF);
      const size_t length = 4 + ((word & 0x40000000u) != 0 ? static_cast<size_t>(OperandSize(type1)) : 0);
      std::string line;
      const char* name = MnemonicName(opcode);
      const Form form = FormOf(opcode);
      // Words the syntax cannot say go out whole; their operand still follows the syntax.
      bool needRaw = name == nullptr || (form == Form::Single && kSuffixes[type1][0] == '\0') ||
                     (form == Form::Double && (kSuffixes[type1][0] == '\0' || kSuffixes[type2][0] == '\0'));
      if (name == nullptr) name = "popz";
      line = name;
      if (form == Form::Single || form == Form::Double) line += std::string(".") + (kSuffixes[type1][0] ? kSuffixes[type1] : "e");
      if (form == Form::Double) line += std::string(".") + (kSuffixes[type2][0] ? kSuffixes[type2] : "e");
      const uint8_t* op = code.bytes.data() + at + 4;
      std::string operand;
      bool immShown = false, kindShown = false;
      if (form == Form::None && opcode != 0xFF) {
        const int32_t offset = static_cast<int32_t>((word & 0x7FFFFFu) << 9) >> 9;
        operand = labels[static_cast<uint32_t>(static_cast<int64_t>(at) + 4 * static_cast<int64_t>(offset))];
      } else if (opcode == 0xFF || opcode == 0x84 || opcode == 0x86 || opcode == 0x99) {
        operand = std::to_string(imm);
        immShown = true;
      } else if (opcode == 0x15) {
        operand = std::to_string((word >> 8) & 0xFF);
        kindShown = true;
      }
      if ((word & 0x40000000u) != 0 && length <= code.bytes.size() - at) {
        char text[64];
        switch (type1) {
          case 0: {
            double d;
            std::memcpy(&d, op, 8);
            std::snprintf(text, sizeof text, "%.17g", d);
            operand = text;
            break;
          }
          case 1: {
            float f;
            std::memcpy(&f, op, 4);
            std::snprintf(text, sizeof text, "%.9g", static_cast<double>(f));
            operand = text;
            break;
          }
          case 2:
            if (opcode == 0x45) {
              operand = VariableText(program, code, at, imm, &immShown);
              break;
            }
            [[fallthrough]];
          case 7: {
            int32_t v;
            std::memcpy(&v, op, 4);
            if (opcode == 0xD9 && type1 == 2 && refText.count(static_cast<uint32_t>(at)) != 0) {
              operand = refText[static_cast<uint32_t>(at)] + " " + std::to_string(imm);
              immShown = true;
            } else {
              operand = std::to_string(v);
            }
            break;
          }
          case 3: {
            int64_t v;
            std::memcpy(&v, op, 8);
            operand = std::to_string(v);
            break;
          }
          case 4: {
            uint32_t v;
            std::memcpy(&v, op, 4);
            operand = v == 1 ? "true" : v == 0 ? "false" : std::to_string(v);
            break;
          }
          case 5:
            operand = VariableText(program, code, at, imm, &immShown);
            break;
          case 6:
            operand = refText[static_cast<uint32_t>(at)];
            break;
          default:
            break;
        }
      }
      if (!operand.empty()) line += " " + operand;
      // Fields the syntax shows elsewhere, when they are not what the assembler would make.
      uint32_t low = word & 0xFFFF;
      if (form == Form::None && opcode != 0xFF) low = 0;
      if (!immShown && !kindShown && low != 0) {
        if ((low & 0xFF) == 0) line += " kind=" + std::to_string(low >> 8);
        else line += " imm=" + std::to_string(static_cast<int16_t>(low));
      }
      if (kindShown && (word & 0xFF) != 0) needRaw = true;
      if (form == Form::None && ((opcode == 0xFF && type1 != 15) || (opcode != 0xFF && (word & 0x00800000u) != 0))) {
        needRaw = true;
      }
      if (form == Form::None && opcode == 0xFF && type2 != 0) needRaw = true;
      if (form == Form::Single && type2 != 0) needRaw = true;
      if (needRaw) {
        char text[32];
        std::snprintf(text, sizeof text, " raw=0x%08x", word);
        line += text;
      }
      out << "  " << line << "\n";
      at += length;
    }
  }
  return out.str();
}

void write_bytecode(ContainerWriter& writer, const BytecodeProgram& program) {
  // Where every code lands in the CODE body, and where each reference's word is.
  struct Placed {
    uint32_t entry;
    uint32_t code;
  };
  ChunkBuilder& codeChunk = writer.add_chunk("CODE");
  const uint32_t count = static_cast<uint32_t>(program.codes.size());
  const uint32_t entrySize = program.old_layout ? 8 : 20;
  std::vector<Placed> placed;
  uint32_t at = 4 + 4 * count;
  for (const BytecodeCode& code : program.codes) {
    placed.push_back({at, program.old_layout ? at + 8 : 0});
    at += entrySize + (program.old_layout ? static_cast<uint32_t>((code.bytes.size() + 3) & ~size_t{3}) : 0);
  }
  if (!program.old_layout) {
    for (size_t i = 0; i < program.codes.size(); ++i) {
      placed[i].code = at;
      at += static_cast<uint32_t>((program.codes[i].bytes.size() + 3) & ~size_t{3});
    }
  }
  // Chains: the references to each name in code order (or reversed), linked by distances.
  std::vector<std::vector<uint32_t>> varRefs(program.variables.size()), funcRefs(program.functions.size());
  std::vector<std::vector<uint8_t>> bytes;
  for (size_t i = 0; i < program.codes.size(); ++i) {
    bytes.push_back(program.codes[i].bytes);
    for (const BytecodeRef& r : program.codes[i].refs) {
      const uint32_t position = placed[i].code + r.position;
      if (r.kind == BytecodeRef::Kind::Variable) varRefs[r.symbol].push_back(position);
      if (r.kind == BytecodeRef::Kind::Function) funcRefs[r.symbol].push_back(position);
      if (r.kind == BytecodeRef::Kind::String) {
        const uint32_t index = writer.strings().intern(r.text);
        std::memcpy(bytes[i].data() + r.position + 4, &index, 4);
      }
    }
  }
  auto chain = [&](std::vector<uint32_t>& refs, uint32_t mask) {
    if (program.backward_chains) std::reverse(refs.begin(), refs.end());
    for (size_t k = 0; k < refs.size(); ++k) {
      const int32_t step = k + 1 < refs.size() ? static_cast<int32_t>(refs[k + 1]) - static_cast<int32_t>(refs[k]) : 0;
      for (size_t i = 0; i < program.codes.size(); ++i) {
        const uint32_t begin = placed[i].code;
        if (refs[k] < begin || refs[k] >= begin + bytes[i].size()) continue;
        uint8_t* operand = bytes[i].data() + (refs[k] - begin) + 4;
        uint32_t w;
        std::memcpy(&w, operand, 4);
        w = (w & ~mask) | (static_cast<uint32_t>(step) & mask);
        std::memcpy(operand, &w, 4);
      }
    }
  };
  const uint32_t varMask = program.old_layout ? 0x1FFFFFFFu : 0x0FFFFFFFu;
  for (auto& refs : varRefs) chain(refs, varMask);
  for (auto& refs : funcRefs) chain(refs, 0xFFFFFFFFu);

  codeChunk.u32(count);
  for (uint32_t i = 0; i < count; ++i) codeChunk.offset_to("CODE/entry/" + std::to_string(i));
  for (uint32_t i = 0; i < count; ++i) {
    const BytecodeCode& code = program.codes[i];
    codeChunk.label("CODE/entry/" + std::to_string(i));
    codeChunk.string_ref(code.name);
    codeChunk.u32(static_cast<uint32_t>(code.bytes.size()));
    if (program.old_layout) {
      codeChunk.bytes(bytes[i]).align(4);
    } else {
      codeChunk.u16(code.locals).u16(code.arguments);
      codeChunk.i32(static_cast<int32_t>(placed[i].code) - static_cast<int32_t>(codeChunk.position()));
      codeChunk.u32(0);
    }
  }
  if (!program.old_layout) {
    for (uint32_t i = 0; i < count; ++i) codeChunk.bytes(bytes[i]).align(4);
  }
  auto refLabel = [&](const std::vector<uint32_t>& refs, const char* kind, size_t n) {
    if (refs.empty()) return std::string();
    const std::string label = std::string("CODE/") + kind + "/" + std::to_string(n);
    return label;
  };
  // Labels at reference positions are placed through the CODE chunk's body positions.
  std::vector<std::pair<std::string, uint32_t>> refLabels;
  ChunkBuilder& vari = writer.add_chunk("VARI");
  if (!program.old_layout) {
    vari.i32(program.global_count).i32(program.instance_count).i32(program.local_count);
  }
  for (size_t n = 0; n < program.variables.size(); ++n) {
    const BytecodeVariable& v = program.variables[n];
    vari.string_ref(v.name);
    if (!program.old_layout) vari.i32(v.scope).i32(v.index);
    vari.u32(static_cast<uint32_t>(varRefs[n].size()));
    const std::string label = refLabel(varRefs[n], "var", n);
    if (!label.empty()) refLabels.emplace_back(label, varRefs[n].front());
    vari.offset_to(label);
  }
  ChunkBuilder& func = writer.add_chunk("FUNC");
  if (!program.old_layout) func.u32(static_cast<uint32_t>(program.functions.size()));
  for (size_t n = 0; n < program.functions.size(); ++n) {
    func.string_ref(program.functions[n]);
    func.u32(static_cast<uint32_t>(funcRefs[n].size()));
    const std::string label = refLabel(funcRefs[n], "func", n);
    if (!label.empty()) refLabels.emplace_back(label, funcRefs[n].front());
    func.offset_to(label);
  }
  if (!program.old_layout) {
    // Local names of each code that uses locals: slot and name of each.
    std::vector<std::pair<const BytecodeCode*, std::vector<uint32_t>>> locals;
    for (const BytecodeCode& code : program.codes) {
      std::vector<uint32_t> used;
      for (const BytecodeRef& r : code.refs) {
        if (r.kind == BytecodeRef::Kind::Variable && program.variables[r.symbol].scope == -7 &&
            std::find(used.begin(), used.end(), r.symbol) == used.end()) {
          used.push_back(r.symbol);
        }
      }
      if (!used.empty()) locals.emplace_back(&code, used);
    }
    func.u32(static_cast<uint32_t>(locals.size()));
    for (const auto& [code, used] : locals) {
      func.u32(static_cast<uint32_t>(used.size()));
      func.string_ref(code->name);
      for (uint32_t symbol : used) {
        func.i32(program.variables[symbol].index);
        func.string_ref(program.variables[symbol].name);
      }
    }
  }
  // The reference labels point into the CODE body; they are added last so that the chunk's own
  // labels keep their order.
  for (const auto& [label, position] : refLabels) codeChunk.label_at(label, position);
}

}  // namespace container
