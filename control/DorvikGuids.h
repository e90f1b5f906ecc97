/* The four fixed identifiers of DorvikFTP, shared by the type library, the control and Velkaro.
   Written once here; the IDL, C and C++ sides all read them from this file. */
#ifndef DORVIK_GUIDS_H
#define DORVIK_GUIDS_H
#define DORVIK_LIBID  F8ADD675-87F5-4BEF-A6E5-5294043A0729
#define DORVIK_IID    07E21DB5-321C-4018-AAF1-E6872EF23EE5
#define DORVIK_CLSID  D1F7D70A-E61B-4292-BED8-F1B69332618E
#define DORVIK_DIID   09ACA0B4-28CC-48D4-9C8A-CB60105F1083
#define DORVIK_CLSID_TEXT "{D1F7D70A-E61B-4292-BED8-F1B69332618E}"
#define DORVIK_LIBID_TEXT "{F8ADD675-87F5-4BEF-A6E5-5294043A0729}"
#endif
