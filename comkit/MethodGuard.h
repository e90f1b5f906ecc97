// Ends every COM interface method, written as a function-try-block: no C++ exception may leave
// through a call into a host that knows nothing of them.
#ifndef COMKIT_METHODGUARD_H
#define COMKIT_METHODGUARD_H

#include <windows.h>

#include <new>

#define COMKIT_METHOD_CATCH                 \
    catch (const std::bad_alloc&)           \
    {                                       \
        return E_OUTOFMEMORY;               \
    }                                       \
    catch (...)                             \
    {                                       \
        return E_UNEXPECTED;                \
    }

#endif
