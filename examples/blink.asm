; blink.asm - a first program to try: an LED on RB0 of a PIC16F84 blinks about twice a second.
;
; Wire an LED with a 470 ohm resistor from RB0 (pin 6) to ground and run the chip from a 4 MHz
; crystal. Assemble with gpasm (package gputils):
;     gpasm blink.asm
; which writes blink.hex, the file committed beside this one.

        list    p=16f84
        include <p16f84.inc>
        errorlevel -302         ; TRISB is reached through bank 1 on purpose

        ; XT oscillator, watchdog off, power-up timer on, code protection off: word 3FF1h.
        __config _XT_OSC & _WDT_OFF & _PWRTE_ON & _CP_OFF

        cblock  0x0C
        inner                   ; delay counters
        outer
        endc

        org     0
        bsf     STATUS, RP0
        bcf     TRISB, 0        ; RB0 drives the LED
        bcf     STATUS, RP0
        clrf    PORTB

toggle  movlw   b'00000001'
        xorwf   PORTB, f        ; LED on, LED off
        call    delay
        goto    toggle

; 256 x 256 turns of three cycles: about 0.2 s at 1 us a cycle.
delay   clrf    inner
        clrf    outer
wait    decfsz  inner, f
        goto    wait
        decfsz  outer, f
        goto    wait
        return

        end
