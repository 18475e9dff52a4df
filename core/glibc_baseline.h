// Binds the few C library symbols that the plug-ins use and this C library
// versions anew to their oldest versions, so that a plug-in built here loads
// with every C library from 2.17 on (the threads' functions moved into
// libc.so.6 in 2.34 and took new versions there; pthread_sigmask took one in
// 2.32). Each old version is the same function, so nothing else changes.
// The build includes this header first in every Linux plug-in and links
// libpthread.so.0, which holds these functions before 2.34.
#ifndef KORVEL_GLIBC_BASELINE_H
#define KORVEL_GLIBC_BASELINE_H

#if defined(__linux__)
#include <features.h>  // defines __GLIBC__ where the C library is glibc
#endif
#if defined(__GLIBC__)
#define KORVEL_GLIBC_BIND(symbol, version) __asm__(".symver " #symbol "," #symbol "@" #version);
#if defined(__x86_64__)
KORVEL_GLIBC_BIND(pthread_create, GLIBC_2.2.5)
KORVEL_GLIBC_BIND(pthread_join, GLIBC_2.2.5)
KORVEL_GLIBC_BIND(pthread_attr_setstacksize, GLIBC_2.2.5)
KORVEL_GLIBC_BIND(pthread_sigmask, GLIBC_2.2.5)
#elif defined(__i386__)
KORVEL_GLIBC_BIND(pthread_create, GLIBC_2.1)
KORVEL_GLIBC_BIND(pthread_join, GLIBC_2.0)
KORVEL_GLIBC_BIND(pthread_attr_setstacksize, GLIBC_2.1)
KORVEL_GLIBC_BIND(pthread_sigmask, GLIBC_2.0)
#endif
#endif

#endif
