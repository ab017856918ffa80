/* sched.c - a round-robin scheduler */
#include "trace.h"
#include "sched.h"

static struct task *run_queue[MAX_TASKS];
static unsigned current;

void sched_init(void)
{
    current = 0;
    TRACE_RESET();                      // start with an empty trace FIFO
    TRACE0(0, knl, 1, "scheduler up");
}

void sched_add(struct task *t)
{
    unsigned slot = t->id % MAX_TASKS;
    run_queue[slot] = t;
    TRACE2(0, knl, 2, "task %u in slot %u", t->id, slot);
}

struct task *sched_next(void)
{
    unsigned tries;
    for (tries = 0; tries < MAX_TASKS; tries++) {
        current = (current + 1) % MAX_TASKS;
        if (run_queue[current] != 0) {
            trace1(0, knl, 5, "switch to %u", current);   /* very chatty */
            return run_queue[current];
        }
    }
    TRACE0(0, knl, 0, "idle: no task ready");
    return 0;
}

void sched_panic(const char *why, unsigned code)
{
    TRACE12(0, knl, 0,
            "PANIC: %s (code 0x%08x)",
            why, code);
    for (;;) { }
}
