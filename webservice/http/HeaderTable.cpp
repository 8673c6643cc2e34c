#include "webservice/http/HeaderTable.h"

#include "text/Ascii.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace {

// Bucket counts, each about a quarter above the last.
constexpr std::array<std::uint32_t, 62> kPrimes{
    17,      23,      29,      37,      41,      53,       67,       83,      103,
    131,     167,     211,     269,     337,     431,      541,      677,     853,
    1069,    1361,    1709,    2137,    2677,    3347,     4201,     5261,    6577,
    8231,    10289,   12889,   16127,   20161,   25219,    31531,    39419,   49277,
    61603,   77017,   96281,   120371,  150473,  188107,   235159,   293957,  367453,
    459317,  574157,  717697,  897133,  1121423, 1401791,  1752239,  2190299, 2737937,
    3422429, 4278037, 5347553, 6684443, 8355563, 10444457, 13055587, 13316089};

using text::EqualsIgnoringAsciiCase;

// The smallest listed prime that keeps the entries at most 0.75 per bucket.
std::uint32_t PickBucketCount(std::size_t entries) {
    const double want = static_cast<double>(entries) / 0.75;
    for (std::uint32_t prime : kPrimes) {
        if (static_cast<double>(prime) >= want) {
            return prime;
        }
    }
    return kPrimes.back();
}

} // namespace

HeaderTable::HeaderTable() : m_buckets(kInitialBuckets, nullptr) {}

HeaderTable::~HeaderTable() = default;

std::size_t HeaderTable::BucketOf(std::uint32_t hash) const {
    // Nearly every response fits the first size, whose remainder the compiler works out without
    // a division.
    return m_buckets.size() == kInitialBuckets ? hash % kInitialBuckets : hash % m_buckets.size();
}

HeaderTable::Node* HeaderTable::FindNode(std::string_view name, std::uint32_t hash) const {
    for (Node* node = m_buckets[BucketOf(hash)]; node != nullptr; node = node->next) {
        if (node->hash == hash && EqualsIgnoringAsciiCase(node->name, name)) {
            return node;
        }
    }
    return nullptr;
}

const std::string* HeaderTable::Find(std::string_view name) const {
    return Find(Key(name));
}

const std::string* HeaderTable::Find(const Key& key) const {
    const Node* node = FindNode(key.name, key.hash);
    return node != nullptr ? &node->value : nullptr;
}

HeaderTable::Node* HeaderTable::NewNode() {
    if (m_free == nullptr) {
        auto block = std::make_unique<Node[]>(kNodesPerBlock);
        for (std::size_t i = 0; i < kNodesPerBlock; ++i) {
            block[i].next = m_free;
            m_free = &block[i];
        }
        m_blocks.push_back(std::move(block));
    }
    Node* node = m_free;
    m_free = node->next;
    node->next = nullptr;
    return node;
}

void HeaderTable::FreeNode(Node* node) {
    node->name.clear();
    node->value.clear();
    node->orderNext = node->orderPrev = nullptr;
    node->next = m_free;
    m_free = node;
}

void HeaderTable::Add(std::string_view name, std::string_view value) {
    const std::uint32_t hash = HashName(name);
    if (Node* existing = FindNode(name, hash)) {
        existing->value.push_back(',');
        existing->value.append(value);
        return;
    }
    // A node from the free list is empty, so appending is all the copy needs.
    Node* node = NewNode();
    node->hash = hash;
    node->name.append(name);
    node->value.append(value);
    Node*& bucket = m_buckets[BucketOf(hash)];
    node->next = bucket;
    bucket = node;
    node->orderPrev = m_last;
    (m_last != nullptr ? m_last->orderNext : m_first) = node;
    m_last = node;
    ++m_count;
    GrowIfNeeded();
}

bool HeaderTable::Remove(std::string_view name) {
    const std::uint32_t hash = HashName(name);
    Node** link = &m_buckets[BucketOf(hash)];
    while (*link != nullptr &&
           !((*link)->hash == hash && EqualsIgnoringAsciiCase((*link)->name, name))) {
        link = &(*link)->next;
    }
    Node* node = *link;
    if (node == nullptr) {
        return false;
    }
    *link = node->next;
    (node->orderPrev != nullptr ? node->orderPrev->orderNext : m_first) = node->orderNext;
    (node->orderNext != nullptr ? node->orderNext->orderPrev : m_last) = node->orderPrev;
    FreeNode(node);
    --m_count;
    ShrinkIfNeeded();
    return true;
}

void HeaderTable::RemoveAll() {
    // A small table keeps its nodes (and their strings' room) for the next response; a large one
    // gives its memory back.
    if (m_blocks.size() <= kBlocksKept) {
        for (Node* node = m_first; node != nullptr;) {
            Node* next = node->orderNext;
            FreeNode(node);
            node = next;
        }
    } else {
        m_blocks.clear();
        m_free = nullptr;
    }
    if (m_buckets.size() == kInitialBuckets) {
        std::fill(m_buckets.begin(), m_buckets.end(), nullptr);
    } else {
        m_buckets.assign(kInitialBuckets, nullptr);
        m_buckets.shrink_to_fit();
    }
    m_first = m_last = nullptr;
    m_count = 0;
}

void HeaderTable::Rehash(std::uint32_t bucketCount) {
    std::vector<Node*> buckets(bucketCount, nullptr);
    for (Node* node = m_first; node != nullptr; node = node->orderNext) {
        Node*& bucket = buckets[node->hash % bucketCount];
        node->next = bucket;
        bucket = node;
    }
    m_buckets.swap(buckets);
}

// The load limits in whole numbers: more than 2.25 entries per bucket grows the table, fewer
// than a quarter shrinks it while a quarter of the buckets is at least the initial count.
void HeaderTable::GrowIfNeeded() {
    if (4 * m_count > 9 * m_buckets.size()) {
        Rehash(PickBucketCount(m_count));
    }
}

void HeaderTable::ShrinkIfNeeded() {
    if (m_buckets.size() >= 4 * std::size_t{kInitialBuckets} && 4 * m_count < m_buckets.size()) {
        Rehash(PickBucketCount(m_count));
    }
}
