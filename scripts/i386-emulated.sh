#!/usr/bin/env bash
# Exits 0 where 32-bit x86 programs run through qemu's emulator rather than on the processor: where
# scripts/setup.sh found a kernel that runs only 64-bit code and registered qemu-i386 for them.
grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386
