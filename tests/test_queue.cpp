// The bounded queue across threads: every record arrives once, in each
// producer's order, never more held than the capacity; cancelling wakes a
// producer waiting on a full queue and a consumer waiting on an empty one;
// a try never waits.
#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "queue/queue.h"

namespace {

struct record {
    int producer, serial;
};

TEST(Queue, EveryRecordOnceInEachProducersOrder)
{
    struct shape { size_t capacity; int producers, each; };
    const shape shapes[] = {{1, 1, 500}, {4, 3, 2000}, {64, 2, 3000}};
    for (const shape& s : shapes) {
        QUEUE<record> q;
        queue_init(&q, s.capacity, (size_t)s.producers);
        std::atomic<size_t> most{0};
        std::vector<std::thread> threads;
        for (int p = 0; p < s.producers; p++)
            threads.emplace_back([&, p] {
                for (int i = 0; i < s.each; i++) {
                    EXPECT_TRUE(queue_push(&q, record{p, i}));
                    std::lock_guard<std::mutex> lock(q.mutex);
                    most = std::max(most.load(), q.items.size());
                }
                queue_done(&q);
            });
        std::vector<int> next(s.producers, 0);
        record r;
        int got = 0;
        while (queue_pop(&q, &r)) {
            EXPECT_EQ(next[r.producer], r.serial) << "producer " << r.producer;
            next[r.producer] = r.serial + 1;
            got++;
        }
        for (std::thread& t : threads)
            t.join();
        EXPECT_EQ(s.producers * s.each, got);
        EXPECT_LE(most.load(), s.capacity);
    }
}

TEST(Queue, CancelWakesWaitersAndRefusesAfter)
{
    QUEUE<record> q;
    queue_init(&q, 1, 1);
    ASSERT_TRUE(queue_push(&q, record{0, 0}));
    std::atomic<int> pushed{-1};
    std::thread producer([&] { pushed = queue_push(&q, record{0, 1}); }); // waits: the queue is full
    queue_cancel(&q);
    producer.join();
    EXPECT_EQ(0, pushed.load());
    record r{7, 7};
    EXPECT_FALSE(queue_pop(&q, &r));
    EXPECT_EQ(7, r.serial); // nothing was handed out

    QUEUE<record> empty;
    queue_init(&empty, 4, 1);
    EXPECT_FALSE(queue_try_pop(&empty, &r)); // nothing there: no wait
    ASSERT_TRUE(queue_push(&empty, record{1, 2}));
    EXPECT_TRUE(queue_try_pop(&empty, &r) && r.serial == 2);
    // A try to push never waits: refused when full or cancelled, the record left with the caller.
    ASSERT_TRUE(queue_try_push(&empty, record{1, 3}));
    for (int i = 4; i < 7; i++)
        ASSERT_TRUE(queue_try_push(&empty, record{1, i}));
    record extra{1, 7};
    EXPECT_FALSE(queue_try_push(&empty, std::move(extra)));
    EXPECT_TRUE(queue_try_pop(&empty, &r) && r.serial == 3);
    EXPECT_TRUE(queue_try_push(&empty, std::move(extra)));
    while (queue_try_pop(&empty, &r)) {
    }
    EXPECT_EQ(7, r.serial);
    std::atomic<int> popped{-1};
    std::thread consumer([&] { record x; popped = queue_pop(&empty, &x); }); // waits: nothing to take
    queue_cancel(&empty);
    consumer.join();
    EXPECT_EQ(0, popped.load());
    EXPECT_FALSE(queue_try_push(&empty, record{1, 8}));
}

} // namespace
