#pragma once

#include <value/TypeCodes.h>

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

// In-memory queues: growable tables of records of one layout, reached through one record
// buffer. Positions count in the order records were added (the base order); reads by key go
// through sorted orders that are built on first use and kept (at most 16 per queue), so that
// switching between a few keys costs no new sort. Every operation posts its error to the
// runtime's error state (value/ErrorCode.h) and posts nothing on success: 7 for a null handle,
// 8 when memory runs out, 30 for a position or key not found, 75 for a key field outside the
// layout. Nothing here throws or stops the program.

namespace value {

/// One field of a record layout: its type, where it lies and how many bytes it takes. The
/// file layer's type-descriptor walk produces the same information; the queue keeps its own
/// small description so that it needs nothing above this layer.
struct QueueField {
    TypeCode type = TypeCode::End;
    std::uint32_t offset = 0; ///< from the start of the record
    std::uint32_t size = 0;   ///< bytes
};

/// The layout of a queue's records: fields numbered 1, 2, 3 ... in table order (nested
/// groups flattened). Built once per declared record and outlives every queue that uses it.
struct QueueLayout {
    std::vector<QueueField> fields;
    std::uint32_t recordSize = 0;
};

class QueueEngine;

/// What code declares for a queue: the record buffer, the layout, the engine (null until the
/// first operation makes it) and the record size. A declared queue fills the first, second and
/// fourth fields itself; QueueCreate makes one with a buffer of its own.
struct QueueHandle {
    char* buffer = nullptr;
    const QueueLayout* layout = nullptr;
    QueueEngine* engine = nullptr;
    std::uint32_t recordSize = 0;
    /// True for a handle from QueueCreate: only such a handle's block is released by
    /// QueueDispose; a declared handle belongs to its owner.
    bool created = false;
};

/// Most fields in a key, and most sorted orders a queue keeps.
inline constexpr int kMaxQueueKeyFields = 16;
inline constexpr int kMaxQueueOrders = 16;

/// A new handle in one heap block with a zeroed record buffer of the layout's size right
/// behind it; null (error 8) when memory runs out.
QueueHandle* QueueCreate(const QueueLayout& layout);

/// Number of records; 0 for a new queue, and 0 after error 7 for a null handle.
std::uint32_t QueueRecords(QueueHandle* queue);

/// Copies the record at 1-based `position` of the base order into the buffer and makes it
/// current. Error 30 for 0, a negative position or one beyond QueueRecords, the buffer kept.
void QueueGet(QueueHandle* queue, std::int32_t position);

/// Selects the order of `key` (signed field numbers, a negative one descending, a 0 ends the
/// list, at most 16 are read) and copies the first record whose key fields equal the buffer's
/// into the buffer. Error 30 when no record matches, the key is empty or the queue is empty;
/// error 75 for a field number beyond the layout.
void QueueGetByKey(QueueHandle* queue, std::span<const std::int32_t> key);
inline void QueueGetByKey(QueueHandle* queue, std::initializer_list<std::int32_t> key)
{
    QueueGetByKey(queue, std::span<const std::int32_t>(key.begin(), key.size()));
}

/// Adds the buffer as a new record at the end of the base order; it becomes current.
void QueueAdd(QueueHandle* queue);

/// Selects the order of `key` and adds the buffer at its key position there, after every
/// record with an equal key. A queue filled only this way with one key keeps its base order
/// sorted by that key.
void QueueAddByKey(QueueHandle* queue, std::span<const std::int32_t> key);
inline void QueueAddByKey(QueueHandle* queue, std::initializer_list<std::int32_t> key)
{
    QueueAddByKey(queue, std::span<const std::int32_t>(key.begin(), key.size()));
}

/// Base-order position (1-based) of the record read or added last; 0 when there is none.
std::uint32_t QueuePointer(QueueHandle* queue);

/// Replaces the record at QueuePointer from the buffer; every sorted order places it again by
/// its new key. Error 30 when there is no current record.
void QueuePut(QueueHandle* queue);

/// Removes the record at QueuePointer from every order. Error 30 when there is none.
void QueueDelete(QueueHandle* queue);

/// Removes every record and every sorted order; the base order stays, empty.
void QueueFree(QueueHandle* queue);

/// Destroys the engine and its records; a handle from QueueCreate is released as well. A null
/// handle is ignored.
void QueueDispose(QueueHandle* queue);

/// The change counter: seeded from the clock when the engine is made, moved on by one by
/// every add, replace, delete and free.
std::uint32_t QueueChangeCount(QueueHandle* queue);

/// Compares two records by a key (field numbers as for QueueGetByKey, already checked against
/// the layout): negative, zero or positive. Numbers compare by value, strings by the collating
/// comparison with the shorter value blank-padded. Public for benchmarks and tests.
std::int32_t CompareQueueRecords(const QueueLayout& layout, std::span<const std::int32_t> key,
    const char* left, const char* right);

} // namespace value
