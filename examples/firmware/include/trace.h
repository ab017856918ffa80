/* trace.h - trace point macros of the firmware.
 *
 * A trace point is a call TRACEn(number, category, level, format, ...).
 * kolvi numbers the active ones and writes the number as the first
 * argument; the device emits only that number and the arguments, and the
 * host decoder finds the format in trace.tp. Inactive trace points are
 * written in lower case and compile to nothing.
 */
#ifndef TRACE_H
#define TRACE_H

void trace_emit(unsigned number, int argc, ...);
void trace_fifo_reset(void);

#define TRACE0(n, c, l, f)             trace_emit((n), 0)
#define TRACE1(n, c, l, f, a)          trace_emit((n), 1, (a))
#define TRACE2(n, c, l, f, a, b)       trace_emit((n), 2, (a), (b))
#define TRACE3(n, c, l, f, a, b, d)    trace_emit((n), 3, (a), (b), (d))
#define TRACE4(n, c, l, f, a, b, d, e) trace_emit((n), 4, (a), (b), (d), (e))
#define TRACE5(n, c, l, f, ...)        trace_emit((n), 5, __VA_ARGS__)
#define TRACE11(n, c, l, f, ...)       trace_emit((n), 11, __VA_ARGS__)
#define TRACE12(n, c, l, f, ...)       trace_emit((n), 12, __VA_ARGS__)
#define TRACE13(n, c, l, f, ...)       trace_emit((n), 13, __VA_ARGS__)
#define TRACE14(n, c, l, f, ...)       trace_emit((n), 14, __VA_ARGS__)
#define TRACE15(n, c, l, f, ...)       trace_emit((n), 15, __VA_ARGS__)

#define trace0(...)  ((void)0)
#define trace1(...)  ((void)0)
#define trace2(...)  ((void)0)
#define trace3(...)  ((void)0)
#define trace4(...)  ((void)0)
#define trace5(...)  ((void)0)
#define trace11(...) ((void)0)
#define trace12(...) ((void)0)
#define trace13(...) ((void)0)
#define trace14(...) ((void)0)
#define trace15(...) ((void)0)

#define TRACE() trace_fifo_reset()

#endif
