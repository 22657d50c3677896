#include "platform/wildcard_match.h"

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

// The pattern is compiled into a short list of elements: single-character ones (a letter,
// "?", a set) and stars. Up to the first star the name is checked element by element; the
// pieces between stars are then placed at their leftmost fit, and the piece after the last
// star at the name's end. Where a star that only passes over a set follows another star,
// leftmost placement can miss a match, so such patterns run the name through an automaton
// that tracks every element reachable at the current character. Either way a match costs
// at most (pattern length x name length) steps: trying each position of every star in turn
// gives the same answers but takes exponential time on patterns with many stars, and
// patterns come from users and saved lists. Nothing is allocated for patterns of up to
// kInlineElements elements.

namespace mobrel {

namespace {

constexpr size_t kInlineElements = 64;

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// A character set "<...>" in the pattern; its members are read from the pattern itself.
struct TCharSet {
    uint32_t First;  // the first member
    uint32_t Close;  // the closing '>'
    bool Inverted;
};

// Parses the set opening at pattern[open]; false when it is empty or has no '>'.
bool ParseSet(std::string_view pattern, size_t open, TCharSet& set) {
    size_t pos = open + 1;
    set.Inverted = pos < pattern.size() && (pattern[pos] == '!' || pattern[pos] == '^');
    if (set.Inverted) {
        ++pos;
    }
    const size_t close = pattern.find('>', pos);
    if (close == std::string_view::npos || close == pos) {
        return false;
    }
    set.First = static_cast<uint32_t>(pos);
    set.Close = static_cast<uint32_t>(close);
    return true;
}

bool SetHolds(std::string_view pattern, const TCharSet& set, char c) {
    const auto ch = static_cast<unsigned char>(Lower(c));
    bool found = false;
    for (size_t i = set.First; i < set.Close && !found;) {
        const auto from = static_cast<unsigned char>(Lower(pattern[i]));
        if (i + 2 < set.Close && pattern[i + 1] == '-') {
            const auto to = static_cast<unsigned char>(Lower(pattern[i + 2]));
            found = from <= to ? (ch >= from && ch <= to) : (ch >= to && ch <= from);
            i += 3;
        } else {
            found = ch == from;
            ++i;
        }
    }
    return found != set.Inverted;
}

enum class TElementKind : uint8_t { Literal, AnyChar, Set, Star };

// One step of the compiled pattern. A run of "*" and "?" becomes one AnyChar per "?"
// followed by one Star, because the "?" of a run take their characters before the "*".
// Trivially constructible, so the inline list below costs nothing to set up.
struct TElement {
    TElementKind Kind;
    char Char;     // Literal: the lower-cased character
    bool Guarded;  // Star: only passes over characters of Set (the set after it)
    bool Last;     // Star: the run ends the pattern
    // Star of the last run: whether being here when the name runs out is a match. A lone
    // "*" or a run with "?" is; "**" reached with nothing left is not.
    bool AcceptsAtEnd;
    TCharSet Set;  // Set, or the guard of a Star
};

TElement MakeElement(TElementKind kind, char c = 0) {
    return TElement{kind, c, false, false, false, TCharSet{0, 0, false}};
}

// Elements of one pattern, on the stack unless the pattern is long.
class TElementList {
  public:
    void Add(const TElement& element) {
        if (count_ < kInlineElements) {
            inline_[count_] = element;
        } else {
            if (overflow_.empty()) {
                overflow_.assign(inline_.begin(), inline_.end());
            }
            overflow_.push_back(element);
        }
        ++count_;
    }
    size_t Count() const { return count_; }
    TElement& operator[](size_t i) { return count_ <= kInlineElements ? inline_[i] : overflow_[i]; }

  private:
    std::array<TElement, kInlineElements> inline_;
    std::vector<TElement> overflow_;
    size_t count_ = 0;
};

// Adds the run of "*" and "?" starting at pattern[start]; returns the position after it.
size_t CompileRun(std::string_view pattern, size_t start, TElementList& elements) {
    size_t end = start;
    size_t questions = 0;
    while (end < pattern.size() && (pattern[end] == '*' || pattern[end] == '?')) {
        questions += pattern[end] == '?' ? 1 : 0;
        ++end;
    }
    for (size_t i = 0; i < questions; ++i) {
        elements.Add(MakeElement(TElementKind::AnyChar));
    }
    TElement star = MakeElement(TElementKind::Star);
    star.Last = end == pattern.size();
    star.AcceptsAtEnd = star.Last && (questions > 0 || end - start == 1);
    if (end < pattern.size() && pattern[end] == '<') {
        star.Guarded = ParseSet(pattern, end, star.Set);
    }
    elements.Add(star);
    return end;
}

// False when the pattern holds a malformed set, which makes every match fail.
bool Compile(std::string_view pattern, TElementList& elements) {
    size_t pos = 0;
    while (pos < pattern.size()) {
        const char c = pattern[pos];
        if (c == '*') {
            pos = CompileRun(pattern, pos, elements);
        } else if (c == '?') {
            elements.Add(MakeElement(TElementKind::AnyChar));
            ++pos;
        } else if (c == '<') {
            TElement set = MakeElement(TElementKind::Set);
            if (!ParseSet(pattern, pos, set.Set)) {
                return false;
            }
            elements.Add(set);
            pos = set.Set.Close + 1;
        } else {
            elements.Add(MakeElement(TElementKind::Literal, Lower(c)));
            ++pos;
        }
    }
    return true;
}

// The elements reachable at one position of the name, one bit each, plus one bit for
// "pattern used up" (index Count()).
class TStateSet {
  public:
    explicit TStateSet(size_t states) : words_((states + 63) / 64) {
        if (words_ > inline_.size()) {
            overflow_.resize(words_);
        }
    }
    void Clear() {
        for (size_t w = 0; w < words_; ++w) {
            Words()[w] = 0;
        }
    }
    void Add(size_t i) { Words()[i / 64] |= uint64_t{1} << (i % 64); }
    bool Has(size_t i) const { return (Words()[i / 64] >> (i % 64)) & 1; }
    bool Empty() const {
        for (size_t w = 0; w < words_; ++w) {
            if (Words()[w] != 0) {
                return false;
            }
        }
        return true;
    }
    // Calls visit(i) for every member in increasing order.
    template <typename Visit>
    void ForEach(Visit visit) const {
        for (size_t w = 0; w < words_; ++w) {
            for (uint64_t bits = Words()[w]; bits != 0; bits &= bits - 1) {
                visit(w * 64 + static_cast<size_t>(std::countr_zero(bits)));
            }
        }
    }

  private:
    uint64_t* Words() { return overflow_.empty() ? inline_.data() : overflow_.data(); }
    const uint64_t* Words() const { return overflow_.empty() ? inline_.data() : overflow_.data(); }

    std::array<uint64_t, (kInlineElements + 1 + 63) / 64 + 1> inline_{};
    std::vector<uint64_t> overflow_;
    size_t words_;
};

// Whether one element that takes exactly one character (not a star) takes c.
bool TakesChar(std::string_view pattern, const TElement& element, char c) {
    switch (element.Kind) {
        case TElementKind::Literal:
            return element.Char == Lower(c);
        case TElementKind::AnyChar:
            return true;
        case TElementKind::Set:
            return SetHolds(pattern, element.Set, c);
        case TElementKind::Star:
            break;
    }
    return false;
}

// Runs the name through the automaton from one element at one position of the name, for
// patterns whose later part still holds more than one star.
class TAutomaton {
  public:
    TAutomaton(std::string_view pattern, TElementList& elements)
        : pattern_(pattern),
          elements_(elements),
          end_(elements.Count()),
          sets_{TStateSet(end_ + 1), TStateSet(end_ + 1)} {}

    bool Run(std::string_view name, size_t element, size_t position) {
        Current().Add(element);
        for (size_t n = position; n < name.size(); ++n) {
            if (FollowStars()) {
                return true;
            }
            Step(name[n]);
            if (Current().Empty()) {
                return false;
            }
        }
        return AcceptsAtEnd();
    }

  private:
    TStateSet& Current() { return sets_[current_]; }
    TStateSet& Next() { return sets_[1 - current_]; }

    // A star may take no characters, so whatever follows it is reachable here too. A star
    // that ends the pattern with a character still left takes the rest: the match holds.
    bool FollowStars() {
        bool matched = false;
        Current().ForEach([&](size_t i) {
            if (i < end_ && elements_[i].Kind == TElementKind::Star) {
                if (elements_[i].Last) {
                    matched = true;
                } else {
                    Current().Add(i + 1);  // never a star: runs are compiled whole
                }
            }
        });
        return matched;
    }

    void Step(char c) {
        TStateSet& next = Next();
        next.Clear();
        Current().ForEach([&](size_t i) {
            if (i == end_) {
                return;
            }
            const TElement& e = elements_[i];
            if (e.Kind != TElementKind::Star) {
                if (TakesChar(pattern_, e, c)) {
                    next.Add(i + 1);
                }
            } else if (!e.Guarded || SetHolds(pattern_, e.Set, c)) {
                next.Add(i);
            }
        });
        current_ = 1 - current_;
    }

    bool AcceptsAtEnd() {
        bool accepted = Current().Has(end_);
        Current().ForEach([&](size_t i) {
            if (i < end_ && elements_[i].Kind == TElementKind::Star && elements_[i].AcceptsAtEnd) {
                accepted = true;
            }
        });
        return accepted;
    }

    std::string_view pattern_;
    TElementList& elements_;
    size_t end_;
    TStateSet sets_[2];
    int current_ = 0;
};

// The elements after the star at index star take one character each: the name's tail
// must match them, and the star takes what lies between (only members of its set, when
// it has one).
bool MatchSingleStar(std::string_view pattern, TElementList& elements, size_t star,
                     std::string_view name, size_t position) {
    const size_t tail = elements.Count() - star - 1;
    if (name.size() - position < tail) {
        return false;
    }
    const size_t tailStart = name.size() - tail;
    for (size_t i = 0; i < tail; ++i) {
        if (!TakesChar(pattern, elements[star + 1 + i], name[tailStart + i])) {
            return false;
        }
    }
    const TElement& e = elements[star];
    for (size_t n = position; e.Guarded && n < tailStart; ++n) {
        if (!SetHolds(pattern, e.Set, name[n])) {
            return false;
        }
    }
    return true;
}

// The index of the first star after index, or the element count when there is none.
size_t NextStar(TElementList& elements, size_t index) {
    size_t i = index + 1;
    while (i < elements.Count() && elements[i].Kind != TElementKind::Star) {
        ++i;
    }
    return i;
}

bool HasGuardedStar(TElementList& elements, size_t from) {
    for (size_t i = from; i < elements.Count(); ++i) {
        if (elements[i].Kind == TElementKind::Star && elements[i].Guarded) {
            return true;
        }
    }
    return false;
}

// The leftmost position at or after from where the elements [first, last), which take one
// character each, match the name; npos when there is none.
size_t FindSegment(std::string_view pattern, TElementList& elements, size_t first, size_t last,
                   std::string_view name, size_t from) {
    const size_t width = last - first;
    for (size_t k = from; k + width <= name.size(); ++k) {
        size_t j = 0;
        while (j < width && TakesChar(pattern, elements[first + j], name[k + j])) {
            ++j;
        }
        if (j == width) {
            return k;
        }
    }
    return std::string_view::npos;
}

// From the star at index star onwards, when no star but perhaps this one has a set after
// it. A star that takes anything can make up for a piece placed early, so placing each
// piece between two stars at its leftmost fit never loses a match.
bool MatchFromStar(std::string_view pattern, TElementList& elements, size_t star,
                   std::string_view name, size_t position) {
    for (;;) {
        const TElement& e = elements[star];
        if (position == name.size()) {
            return e.AcceptsAtEnd;
        }
        if (e.Last) {
            return true;  // the star takes the rest
        }
        const size_t next = NextStar(elements, star);
        if (next == elements.Count()) {
            return MatchSingleStar(pattern, elements, star, name, position);
        }
        const size_t at = FindSegment(pattern, elements, star + 1, next, name, position);
        if (at == std::string_view::npos) {
            return false;
        }
        position = at + (next - star - 1);
        star = next;
    }
}

// Up to the first star every element takes exactly one character. Beyond it, pieces
// between stars are placed at their leftmost fit, except where a star with a set follows
// another star: its set may rule out the leftmost fit of the piece before it, and only the
// automaton then finds the answer without trying every combination.
bool MatchCompiled(std::string_view pattern, TElementList& elements, std::string_view name) {
    size_t i = 0;
    size_t n = 0;
    for (; i < elements.Count() && elements[i].Kind != TElementKind::Star; ++i, ++n) {
        if (n == name.size() || !TakesChar(pattern, elements[i], name[n])) {
            return false;
        }
    }
    if (i == elements.Count()) {
        return n == name.size();
    }
    if (!HasGuardedStar(elements, NextStar(elements, i)) &&
        (!elements[i].Guarded || NextStar(elements, i) == elements.Count())) {
        return MatchFromStar(pattern, elements, i, name, n);
    }
    TAutomaton automaton(pattern, elements);
    return automaton.Run(name, i, n);
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*") {
        return true;
    }
    TElementList elements;
    if (!Compile(pattern, elements)) {
        return false;
    }
    return MatchCompiled(pattern, elements, name);
}

bool HasWildcards(std::string_view text) {
    return text.find_first_of(kWildcardCharacters) != std::string_view::npos;
}

}  // namespace mobrel
