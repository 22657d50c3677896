#pragma once
// A deliberately plain backtracking matcher: the wildcard rules written down one by one,
// trying each position of a "*" in turn. It takes exponential time on patterns with many
// stars, so it serves only as an oracle for short inputs, against which the engine's
// automaton-based WildcardMatch is compared.
#include <string>
#include <string_view>

namespace mobrel::test {

class TReferenceWildcard {
  public:
    static bool Match(std::string_view pattern, std::string_view name) {
        TReferenceWildcard m(Lowered(pattern), Lowered(name));
        if (m.p_ == "*") {
            return true;
        }
        return m.SetsWellFormed() && m.From(0, 0);
    }

  private:
    TReferenceWildcard(std::string p, std::string n) : p_(std::move(p)), n_(std::move(n)) {}

    static std::string Lowered(std::string_view s) {
        std::string out(s);
        for (char& c : out) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
        return out;
    }

    // Position of the '>' closing the set opened at open, or npos when it is malformed.
    size_t SetClose(size_t open, size_t& first, bool& inverted) const {
        first = open + 1;
        inverted = first < p_.size() && (p_[first] == '!' || p_[first] == '^');
        if (inverted) {
            ++first;
        }
        const size_t close = p_.find('>', first);
        return (close == std::string::npos || close == first) ? std::string::npos : close;
    }

    bool SetsWellFormed() const {
        for (size_t i = 0; i < p_.size(); ++i) {
            if (p_[i] == '<') {
                size_t first = 0;
                bool inverted = false;
                const size_t close = SetClose(i, first, inverted);
                if (close == std::string::npos) {
                    return false;
                }
                i = close;
            }
        }
        return true;
    }

    bool InSet(size_t open, unsigned char c) const {
        size_t first = 0;
        bool inverted = false;
        const size_t close = SetClose(open, first, inverted);
        bool found = false;
        for (size_t i = first; i < close; ++i) {
            const auto a = static_cast<unsigned char>(p_[i]);
            if (i + 2 < close && p_[i + 1] == '-') {
                const auto b = static_cast<unsigned char>(p_[i + 2]);
                found = found || (a <= b ? (c >= a && c <= b) : (c >= b && c <= a));
                i += 2;
            } else {
                found = found || c == a;
            }
        }
        return found != inverted;
    }

    bool From(size_t pi, size_t ni) const {
        const size_t pn = p_.size();
        const size_t nn = n_.size();
        if (pi == pn) {
            return ni == nn;
        }
        if (ni == nn) {
            return pn - pi == 1 && p_[pi] == '*';
        }
        const char pc = p_[pi];
        if (pc == '?') {
            return From(pi + 1, ni + 1);
        }
        if (pc == '<') {
            size_t first = 0;
            bool inverted = false;
            const size_t close = SetClose(pi, first, inverted);
            return InSet(pi, static_cast<unsigned char>(n_[ni])) && From(close + 1, ni + 1);
        }
        if (pc == '*') {
            return Star(pi, ni);
        }
        return pc == n_[ni] && From(pi + 1, ni + 1);
    }

    bool Star(size_t pi, size_t ni) const {
        size_t q = pi;
        size_t questions = 0;
        while (q < p_.size() && (p_[q] == '*' || p_[q] == '?')) {
            questions += p_[q] == '?' ? 1 : 0;
            ++q;
        }
        if (n_.size() - ni < questions) {
            return false;
        }
        ni += questions;
        if (q == p_.size()) {
            return true;
        }
        const bool guarded = p_[q] == '<';
        for (size_t k = ni; k < n_.size(); ++k) {
            if ((guarded || n_[k] == p_[q]) && From(q, k)) {
                return true;
            }
            if (guarded && !InSet(q, static_cast<unsigned char>(n_[k]))) {
                return false;
            }
        }
        return false;
    }

    std::string p_;
    std::string n_;
};

}  // namespace mobrel::test
