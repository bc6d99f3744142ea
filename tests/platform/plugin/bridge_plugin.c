/* A general-purpose plug-in for the bridge tests: when started it asks for the next entry and for
 * the playing file's name, when quit it pauses. */
#include "platform/winamp_plugin.h"

#include <string.h>

static int Init(void);
static void Quit(void);
static zv_general_plugin plugin = {ZV_GPP_VERSION, "Zelvar test plug-in", Init, 0, Quit, 0, 0};

static int Init(void) {
  zelvar_bridge_send(plugin.parent, ZV_BRIDGE_COMMAND, 40048, 0);
  const char* file = (const char*)zelvar_bridge_send(plugin.parent, ZV_BRIDGE_USER, 0, 211);
  /* A second request for the file's name proves the first answer was a text. */
  if (file && strlen(file) > 0)
    zelvar_bridge_send(plugin.parent, ZV_BRIDGE_COMMAND, 40058, 0);
  return 0;
}

static void Quit(void) { zelvar_bridge_send(plugin.parent, ZV_BRIDGE_COMMAND, 40046, 0); }

zv_general_plugin* winampGetGeneralPurposePlugin(void) { return &plugin; }
