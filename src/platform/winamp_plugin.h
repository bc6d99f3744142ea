/* The record and entry point of a general-purpose plug-in of the player's bridge, and the one
 * function through which a plug-in sends the bridge a message. A plug-in is a shared library in
 * the program's "WinAMP" folder that exports winampGetGeneralPurposePlugin. */
#ifndef ZELVAR_WINAMP_PLUGIN_H
#define ZELVAR_WINAMP_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZV_GPP_VERSION 16

/* Messages the bridge answers: a command by its first parameter, a question by its second. */
#define ZV_BRIDGE_COMMAND 0x0111u
#define ZV_BRIDGE_USER 0x0400u

typedef struct {
  int version; /* ZV_GPP_VERSION */
  const char* description;
  int (*init)(void);
  void (*config)(void);
  void (*quit)(void);
  void* parent;  /* set by the bridge: the handle to send messages to */
  void* library; /* set by the bridge: the plug-in's own library handle */
} zv_general_plugin;

typedef zv_general_plugin* (*zv_get_general_plugin)(void);
/* The entry point's name, as Winamp's general-purpose plug-ins export it. */
#define ZV_GPP_ENTRY "winampGetGeneralPurposePlugin"

/* Sends the bridge a message and returns its answer; the program exports it. */
intptr_t zelvar_bridge_send(void* parent, unsigned message, uintptr_t first, intptr_t second);

#ifdef __cplusplus
}
#endif

#endif
