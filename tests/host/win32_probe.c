/* Says so and ends: if the words arrive, this machine runs 32-bit Windows programs. */
#include <stdio.h>

int main(void)
{
    puts("32-bit Windows programs run here");
    return 0;
}
