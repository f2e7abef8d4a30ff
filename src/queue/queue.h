// A bounded hand-over of plain records between threads: producers wait while
// it is full, the consumer while it is empty, and cancelling wakes them all.
// Records are moved in and out; nothing is copied under the lock but them.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <utility>

template <typename T>
struct QUEUE {
    std::mutex mutex;
    std::condition_variable not_full, not_empty;
    std::deque<T> items;
    size_t capacity;
    size_t producers; // producers that have not said they are done
    bool cancelled;
};

// Ready for `producers` threads to push at most `capacity` (at least 1) records at a time.
template <typename T>
void queue_init(QUEUE<T>* q, size_t capacity, size_t producers)
{
    std::lock_guard<std::mutex> lock(q->mutex);
    q->items.clear();
    q->capacity = capacity ? capacity : 1;
    q->producers = producers;
    q->cancelled = false;
}

// Waits for room and hands `item` over. False, and the item dropped, once
// the queue is cancelled: the producer should stop.
template <typename T>
bool queue_push(QUEUE<T>* q, T&& item)
{
    std::unique_lock<std::mutex> lock(q->mutex);
    q->not_full.wait(lock, [q] { return q->cancelled || q->items.size() < q->capacity; });
    if (q->cancelled)
        return false;
    q->items.push_back(std::move(item));
    lock.unlock();
    q->not_empty.notify_one();
    return true;
}

// Hands `item` over if there is room, without waiting: for a thread that
// must not block, such as the GUI's. False, and the item left with the
// caller, when the queue is full or cancelled.
template <typename T>
bool queue_try_push(QUEUE<T>* q, T&& item)
{
    {
        std::lock_guard<std::mutex> lock(q->mutex);
        if (q->cancelled || q->items.size() >= q->capacity)
            return false;
        q->items.push_back(std::move(item));
    }
    q->not_empty.notify_one();
    return true;
}

// One producer has pushed its last record.
template <typename T>
void queue_done(QUEUE<T>* q)
{
    {
        std::lock_guard<std::mutex> lock(q->mutex);
        if (q->producers)
            q->producers--;
    }
    q->not_empty.notify_all();
}

// Under the lock: moves the first record out and wakes a producer waiting
// for room. False when the queue is cancelled or empty.
template <typename T>
bool queue_take(QUEUE<T>* q, std::unique_lock<std::mutex>* lock, T* item)
{
    if (q->cancelled || q->items.empty())
        return false;
    *item = std::move(q->items.front());
    q->items.pop_front();
    lock->unlock();
    q->not_full.notify_one();
    return true;
}

// Waits for a record. False when the queue is cancelled, or when every
// producer is done and nothing is left.
template <typename T>
bool queue_pop(QUEUE<T>* q, T* item)
{
    std::unique_lock<std::mutex> lock(q->mutex);
    q->not_empty.wait(lock, [q] { return q->cancelled || !q->items.empty() || q->producers == 0; });
    return queue_take(q, &lock, item);
}

// Takes a record if one is there, without waiting: for a thread that must
// not block, such as the GUI's. False when there is none or the queue is cancelled.
template <typename T>
bool queue_try_pop(QUEUE<T>* q, T* item)
{
    std::unique_lock<std::mutex> lock(q->mutex);
    return queue_take(q, &lock, item);
}

// Drops what is held and wakes every waiting thread; later pushes and pops fail.
template <typename T>
void queue_cancel(QUEUE<T>* q)
{
    {
        std::lock_guard<std::mutex> lock(q->mutex);
        q->cancelled = true;
        q->items.clear();
    }
    q->not_full.notify_all();
    q->not_empty.notify_all();
}
