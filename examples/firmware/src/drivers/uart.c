/* uart.c - polled UART driver
 * TRACE1(0, uart, 1, "inside a block comment: converted like code", 0);
 */
#include "trace.h"
#include "uart.h"

#define UART_BASE 0x40001000u

static volatile unsigned *const uart = (unsigned *)UART_BASE;

int uart_open(unsigned baud)
{
    if (baud == 0 || baud > 921600) {
        TRACE1 ( 17 , uart , 0 , "bad baud rate %u\n" , baud );
        return -1;
    }
    uart[1] = 48000000u / (16u * baud);
    TRACE1(0, uart, 2, "baud %u, divisor %u", baud);
    return 0;
}

void uart_putc(char c)
{
    while ((uart[2] & 0x20u) == 0) { }
    uart[0] = (unsigned)c;
    trace4(9, uart, 4, "tx %c", c, 0, 0, 0);
}

int uart_getc(void)
{
    if (uart[2] & 0x01u) {
        TRACE13(0, uart, 3, "rx %c (0x%02x)", (char)uart[0], uart[0]);
        return (int)uart[0];
    }
    return -1;
}
