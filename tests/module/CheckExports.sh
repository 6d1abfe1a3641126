#!/bin/sh
# The plug-in must export exactly one function symbol: the plain, unmangled jwCreateFactory.
symbols=$(nm -D --defined-only "$1" | awk '{print $2 " " $3}')
if [ "$symbols" != "T jwCreateFactory" ]; then
    echo "exported symbols of $1:"
    echo "$symbols"
    exit 1
fi
