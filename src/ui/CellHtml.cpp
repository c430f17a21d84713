// The grid's HTML subset turned into plain text with style runs.

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/AdvGrid.h"

namespace {

struct Look {
  bool bold = false;
  bool italic = false;
  bool link = false;
  std::optional<TColor> color;

  friend bool operator==(const Look&, const Look&) = default;
};

struct NamedColor {
  const char* name;
  TColor color;
};

constexpr std::array<NamedColor, 16> kColorNames = {{
    {"black", 0x000000}, {"maroon", 0x000080}, {"green", 0x008000}, {"olive", 0x008080},
    {"navy", 0x800000}, {"purple", 0x800080}, {"teal", 0x808000}, {"gray", 0x808080},
    {"silver", 0xC0C0C0}, {"red", 0x0000FF}, {"lime", 0x00FF00}, {"yellow", 0x00FFFF},
    {"blue", 0xFF0000}, {"fuchsia", 0xFF00FF}, {"aqua", 0xFFFF00}, {"white", 0xFFFFFF},
}};

// "clRed", "red" or "#RRGGBB".
std::optional<TColor> ParseColor(const std::string& value) {
  if (value.size() == 7 && value[0] == '#') {
    const std::optional<std::int64_t> rgb = TryHexToInt64(std::string_view(value).substr(1));
    if (!rgb) return std::nullopt;
    const auto bits = static_cast<std::uint32_t>(*rgb);
    return RGBToColor(static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 8),
                      static_cast<std::uint8_t>(bits));
  }
  std::string name = LowerCase(value);
  if (name.starts_with("cl")) name.erase(0, 2);
  for (const NamedColor& named : kColorNames) {
    if (name == named.name) return named.color;
  }
  return std::nullopt;
}

// A tag's name (upper case, "/" kept for a closing tag) and its attributes.
struct Tag {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;  // names in upper case

  std::string Attribute(const std::string& wanted) const {
    for (const auto& [attribute, value] : attributes) {
      if (attribute == wanted) return value;
    }
    return {};
  }
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Reads the tag inside "<" ... ">" (both excluded).
Tag ReadTag(std::string_view inside) {
  Tag tag;
  std::size_t at = 0;
  auto skipBlanks = [&] {
    while (at < inside.size() && IsBlank(inside[at])) ++at;
  };
  auto readWord = [&] {
    const std::size_t start = at;
    while (at < inside.size() && !IsBlank(inside[at]) && inside[at] != '=') ++at;
    return std::string(inside.substr(start, at - start));
  };
  skipBlanks();
  tag.name = UpperCase(readWord());
  while (true) {
    skipBlanks();
    if (at >= inside.size()) break;
    std::string name = UpperCase(readWord());
    skipBlanks();
    std::string value;
    if (at < inside.size() && inside[at] == '=') {
      ++at;
      skipBlanks();
      if (at < inside.size() && (inside[at] == '"' || inside[at] == '\'')) {
        const char quote = inside[at++];
        const std::size_t end = inside.find(quote, at);
        const std::size_t stop = end == std::string_view::npos ? inside.size() : end;
        value = std::string(inside.substr(at, stop - at));
        at = stop == inside.size() ? stop : stop + 1;
      } else {
        value = readWord();
      }
    }
    if (name.empty()) {
      ++at;  // a stray "=" or quote
      continue;
    }
    tag.attributes.emplace_back(std::move(name), std::move(value));
  }
  return tag;
}

struct Entity {
  const char* name;
  char byte;
};

constexpr std::array<Entity, 5> kEntities = {{
    {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&nbsp;", ' '},
}};

class CellReader {
 public:
  explicit CellReader(std::string_view html) : html_(html) {}

  TCellText Read() {
    std::size_t at = 0;
    while (at < html_.size()) {
      if (html_[at] == '<') {
        const std::size_t end = html_.find('>', at);
        if (end != std::string_view::npos) {
          Apply(ReadTag(html_.substr(at + 1, end - at - 1)));
          at = end + 1;
          continue;
        }
      }
      if (html_[at] == '&') {
        if (const Entity* entity = EntityAt(at)) {
          Append(entity->byte);
          at += std::char_traits<char>::length(entity->name);
          continue;
        }
      }
      Append(html_[at++]);
    }
    MarkLinks();
    return {std::move(text_), Runs(), centered_};
  }

 private:
  const Entity* EntityAt(std::size_t at) const {
    for (const Entity& entity : kEntities) {
      const std::string_view name(entity.name);
      if (SameText(html_.substr(at, name.size()), name)) return &entity;
    }
    return nullptr;
  }

  void Apply(const Tag& tag) {
    if (tag.name == "B") {
      ++bold_;
    } else if (tag.name == "/B") {
      bold_ = std::max(bold_ - 1, 0);
    } else if (tag.name == "I") {
      ++italic_;
    } else if (tag.name == "/I") {
      italic_ = std::max(italic_ - 1, 0);
    } else if (tag.name == "FONT") {
      colors_.push_back(ParseColor(tag.Attribute("COLOR")));
    } else if (tag.name == "/FONT") {
      if (!colors_.empty()) colors_.pop_back();
    } else if (tag.name == "CENTER") {
      centered_ = true;
    } else if (tag.name == "P") {
      if (SameText(tag.Attribute("ALIGN"), "center")) centered_ = true;
    } else if (tag.name == "BR" || tag.name == "BR/") {
      Append('\n');
    }
  }

  Look CurrentLook() const {
    Look look;
    look.bold = bold_ > 0;
    look.italic = italic_ > 0;
    for (auto color = colors_.rbegin(); color != colors_.rend(); ++color) {
      if (*color) {
        look.color = *color;
        break;
      }
    }
    return look;
  }

  void Append(char c) {
    text_.push_back(c);
    looks_.push_back(CurrentLook());
  }

  // "http://", "https://" and "www." up to the next blank.
  void MarkLinks() {
    for (const std::string_view start : {"http://", "https://", "www."}) {
      std::size_t from = 0;
      while ((from = text_.find(start, from)) != std::string::npos) {
        std::size_t end = from;
        while (end < text_.size() && !IsBlank(text_[end])) looks_[end++].link = true;
        from = end;
      }
    }
  }

  std::vector<TStyleRun> Runs() const {
    std::vector<TStyleRun> runs;
    for (std::size_t i = 0; i < looks_.size(); ++i) {
      if (i > 0 && looks_[i] == looks_[i - 1]) {
        ++runs.back().length;
        continue;
      }
      const Look& look = looks_[i];
      runs.push_back({i, 1, look.bold, look.italic, look.link, look.color.has_value(),
                      look.color.value_or(clBlack)});
    }
    return runs;
  }

  std::string_view html_;
  std::string text_;
  std::vector<Look> looks_;  // one per byte of text_
  int bold_ = 0;
  int italic_ = 0;
  std::vector<std::optional<TColor>> colors_;  // open FONT tags, innermost last
  bool centered_ = false;
};

}  // namespace

TCellText ParseCellHtml(std::string_view html) { return CellReader(html).Read(); }
