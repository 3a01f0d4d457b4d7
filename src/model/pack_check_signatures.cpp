// Signature findings: smiles without any, blank ones, exact and near duplicates, and
// signatures that lie inside another smile's signature.
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "animation/smile.h"
#include "model/pack_check_parts.h"

namespace faceloom::check {

namespace {

struct TOccurrence {
    int32_t Smile = 0;
    int32_t Signature = 0;
};

bool Blank(std::string_view signature) {
    for (char c : signature) {
        if (static_cast<unsigned char>(c) > 0x20) return false;
    }
    return true;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
    return text;
}

TCheckFix RemoveSignature(int32_t smile, int32_t signature, const std::string& text) {
    return TCheckFix{TFixAction::RemoveSignature, smile, signature, {text}};
}

// Aho-Corasick automaton over the distinct folded signatures, so that finding every signature
// that occurs inside another costs the total length plus the matches, not pairs of signatures.
class TSignatureMatcher {
public:
    explicit TSignatureMatcher(const std::vector<std::u16string>& patterns) {
        nodes_.emplace_back();
        for (size_t p = 0; p < patterns.size(); ++p) {
            int32_t node = 0;
            for (char16_t c : patterns[p]) {
                const uint64_t key = Key(node, c);
                auto it = next_.find(key);
                if (it == next_.end()) {
                    it = next_.emplace(key, static_cast<int32_t>(nodes_.size())).first;
                    nodes_.emplace_back();
                    nodes_.back().Depth = nodes_[static_cast<size_t>(node)].Depth + 1;
                    nodes_.back().Parent = node;
                    nodes_.back().Char = c;
                }
                node = it->second;
            }
            nodes_[static_cast<size_t>(node)].Pattern = static_cast<int32_t>(p);
        }
        // Nodes are numbered parents first, so one pass in number order is breadth first
        // enough: a node's failure link is shorter than the node and already known.
        std::vector<int32_t> order(nodes_.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
        std::stable_sort(order.begin(), order.end(), [this](int32_t a, int32_t b) {
            return nodes_[static_cast<size_t>(a)].Depth < nodes_[static_cast<size_t>(b)].Depth;
        });
        for (int32_t n : order) {
            TNode& node = nodes_[static_cast<size_t>(n)];
            if (node.Depth <= 1) {
                node.Fail = 0;
            } else {
                node.Fail = Step(nodes_[static_cast<size_t>(node.Parent)].Fail, node.Char);
            }
            const TNode& fail = nodes_[static_cast<size_t>(node.Fail)];
            node.Output = fail.Pattern >= 0 ? node.Fail : fail.Output;
        }
    }

    // Calls found(pattern, end position) for every pattern occurring in text.
    template <class F>
    bool Scan(std::u16string_view text, F&& found) const {
        int32_t node = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            node = Step(node, text[i]);
            for (int32_t at = nodes_[static_cast<size_t>(node)].Pattern >= 0
                                  ? node
                                  : nodes_[static_cast<size_t>(node)].Output;
                 at > 0; at = nodes_[static_cast<size_t>(at)].Output) {
                if (!found(nodes_[static_cast<size_t>(at)].Pattern, i + 1)) return false;
            }
        }
        return true;
    }

private:
    struct TNode {
        int32_t Parent = 0;
        int32_t Fail = 0;
        int32_t Output = 0;  // nearest proper suffix node that ends a pattern (0: none)
        int32_t Pattern = -1;
        int32_t Depth = 0;
        char16_t Char = 0;
    };
    static uint64_t Key(int32_t node, char16_t c) { return (static_cast<uint64_t>(node) << 16) | c; }
    int32_t Step(int32_t node, char16_t c) const {
        for (;;) {
            const auto it = next_.find(Key(node, c));
            if (it != next_.end()) return it->second;
            if (node == 0) return 0;
            node = nodes_[static_cast<size_t>(node)].Fail;
        }
    }

    std::vector<TNode> nodes_;
    std::unordered_map<uint64_t, int32_t> next_;
};

}  // namespace

void CheckSignatures(const TCheckInput& input, TFindings& findings) {
    const TCodePage cp = input.CodePage;
    std::unordered_map<std::string, TOccurrence> exact;
    std::unordered_map<std::u16string, TOccurrence> folded;
    // Distinct folded signatures in first-seen order, with their first occurrence.
    std::vector<std::u16string> keys;
    std::vector<TOccurrence> keyOwners;

    for (size_t s = 0; s < input.Smiles.size(); ++s) {
        const int32_t smile = static_cast<int32_t>(s);
        const TSmile* entry = input.Smiles[s];
        if (entry == nullptr) continue;
        const std::vector<std::string>& signatures = entry->Signatures.Items();
        if (signatures.empty()) findings.Add(TCheckKind::NoSignatures, {smile}, {}, {SmileNumber(smile)});
        for (size_t g = 0; g < signatures.size(); ++g) {
            const int32_t sig = static_cast<int32_t>(g);
            const std::string& text = signatures[g];
            if (Blank(text)) {
                findings.Add(TCheckKind::BlankSignature, {smile}, {sig},
                             {SmileNumber(smile), std::to_string(g + 1)}, RemoveSignature(smile, sig, text));
                continue;
            }
            const auto [first, isNew] = exact.emplace(text, TOccurrence{smile, sig});
            if (!isNew) {
                const TOccurrence& was = first->second;
                findings.Add(TCheckKind::DuplicateSignature, {smile, was.Smile}, {sig, was.Signature},
                             {CodePageToUtf8(text, cp), SmileNumber(smile), SmileNumber(was.Smile)},
                             RemoveSignature(smile, sig, text));
                continue;
            }
            std::u16string key = FoldCase(CodePageToUnicode(Trimmed(text), cp));
            const auto [similar, keyIsNew] = folded.emplace(key, TOccurrence{smile, sig});
            if (!keyIsNew) {
                const TOccurrence& was = similar->second;
                const std::string& other = input.Smiles[static_cast<size_t>(was.Smile)]
                                               ->Signatures.Items()[static_cast<size_t>(was.Signature)];
                findings.Add(TCheckKind::SimilarSignature, {smile, was.Smile}, {sig, was.Signature},
                             {CodePageToUtf8(text, cp), SmileNumber(smile), CodePageToUtf8(other, cp),
                              SmileNumber(was.Smile)},
                             RemoveSignature(smile, sig, text));
                continue;
            }
            keys.push_back(std::move(key));
            keyOwners.push_back({smile, sig});
        }
    }

    // Signatures inside others: each distinct folded signature against all of them. A pair
    // is reported once, however often the shorter one occurs in the longer.
    if (keys.size() < 2) return;
    const TSignatureMatcher matcher(keys);
    auto signatureOf = [&](const TOccurrence& o) -> const std::string& {
        return input.Smiles[static_cast<size_t>(o.Smile)]
            ->Signatures.Items()[static_cast<size_t>(o.Signature)];
    };
    std::unordered_set<int32_t> seen;
    for (size_t t = 0; t < keys.size(); ++t) {
        seen.clear();
        const TOccurrence& longer = keyOwners[t];
        const bool more = matcher.Scan(keys[t], [&](int32_t p, size_t) {
            if (static_cast<size_t>(p) == t || !seen.insert(p).second) return true;
            const TOccurrence& shorter = keyOwners[static_cast<size_t>(p)];
            if (shorter.Smile == longer.Smile) return true;
            if (findings.Full(TCheckKind::SignatureInside)) return false;
            findings.Add(TCheckKind::SignatureInside, {shorter.Smile, longer.Smile},
                         {shorter.Signature, longer.Signature},
                         {CodePageToUtf8(signatureOf(shorter), cp), SmileNumber(shorter.Smile),
                          CodePageToUtf8(signatureOf(longer), cp), SmileNumber(longer.Smile)});
            return true;
        });
        if (!more) {
            findings.MarkUncounted(TCheckKind::SignatureInside);
            return;
        }
    }
}

}  // namespace faceloom::check
