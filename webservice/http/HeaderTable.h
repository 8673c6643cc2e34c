#pragma once
// Response header lines by name. Names keep the spelling they arrived with; lookup ignores case.
// A chained hash table: the hash of a name is h = h * 33 + c over its bytes (c the upper-case
// byte as a signed 8-bit value, modulo 2^32). It starts with 17 buckets, grows to the smallest
// listed prime that is at least entries / 0.75 once the entries pass 2.25 per bucket, and shrinks
// the same way when they fall below a quarter per bucket (while a quarter of the buckets is at
// least 17). Nodes come from blocks of 10.

#include "text/Ascii.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class HeaderTable {
public:
    static constexpr std::uint32_t kInitialBuckets = 17;

    HeaderTable();
    HeaderTable(const HeaderTable&) = delete;
    HeaderTable& operator=(const HeaderTable&) = delete;
    ~HeaderTable();

    [[nodiscard]] static constexpr std::uint32_t HashName(std::string_view name) {
        std::uint32_t hash = 0;
        for (char c : name) {
            const auto upper = static_cast<std::int8_t>(text::AsciiUpperByTable(c));
            hash = hash * 33u + static_cast<std::uint32_t>(static_cast<std::int32_t>(upper));
        }
        return hash;
    }

    // A name the program itself looks up, hashed once where it is written.
    struct Key {
        constexpr explicit Key(std::string_view text) : name(text), hash(HashName(text)) {}
        std::string_view name;
        std::uint32_t hash;
    };

    // Adds the pair; when the name is already present the stored value becomes old "," new.
    void Add(std::string_view name, std::string_view value);
    // The stored value of `name` (any case), or null.
    [[nodiscard]] const std::string* Find(std::string_view name) const;
    [[nodiscard]] const std::string* Find(const Key& key) const;
    // Removes `name`; false when absent.
    bool Remove(std::string_view name);
    // Empties the table and returns it to its initial size.
    void RemoveAll();

    [[nodiscard]] std::size_t Count() const { return m_count; }
    [[nodiscard]] std::uint32_t BucketCount() const {
        return static_cast<std::uint32_t>(m_buckets.size());
    }

    // Calls visit(name, value) for every entry in the order the names first arrived.
    template <class Visit>
    void ForEach(Visit visit) const {
        for (const Node* node = m_first; node != nullptr; node = node->orderNext) {
            visit(std::string_view(node->name), std::string_view(node->value));
        }
    }

private:
    struct Node {
        Node* next = nullptr;
        Node* orderNext = nullptr;
        Node* orderPrev = nullptr;
        std::uint32_t hash = 0;
        std::string name;
        std::string value;
    };
    static constexpr std::size_t kNodesPerBlock = 10;
    // Blocks that RemoveAll keeps for reuse.
    static constexpr std::size_t kBlocksKept = 4;

    [[nodiscard]] std::size_t BucketOf(std::uint32_t hash) const;
    [[nodiscard]] Node* FindNode(std::string_view name, std::uint32_t hash) const;
    [[nodiscard]] Node* NewNode();
    void FreeNode(Node* node);
    void Rehash(std::uint32_t bucketCount);
    void GrowIfNeeded();
    void ShrinkIfNeeded();

    std::vector<Node*> m_buckets;
    std::vector<std::unique_ptr<Node[]>> m_blocks;
    Node* m_free = nullptr;
    Node* m_first = nullptr;
    Node* m_last = nullptr;
    std::size_t m_count = 0;
};
