/* A stand-in for a decoder that ships as a plug-in file: it takes the video stream the AVI
 * splitter cannot name (FourCC xDIV, which the test media gives an MPEG-4 stream) and puts it out
 * as MPEG-4 video, unchanged, so that the engine's own decoder can finish the job. */
#include <gst/base/gstbasetransform.h>
#include <gst/gst.h>

typedef struct {
  GstBaseTransform parent;
} XDivDec;

typedef struct {
  GstBaseTransformClass parent_class;
} XDivDecClass;

G_DEFINE_TYPE(XDivDec, xdiv_dec, GST_TYPE_BASE_TRANSFORM)

static GstStaticPadTemplate sink_template =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-avi-unknown"));
static GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/mpeg, mpegversion=(int)4, systemstream=(boolean)false"));

static GstCaps* transform_caps(GstBaseTransform* trans, GstPadDirection direction, GstCaps* caps, GstCaps* filter) {
  GstCaps* out = gst_caps_new_empty();
  for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
    GstStructure* s = gst_structure_copy(gst_caps_get_structure(caps, i));
    if (direction == GST_PAD_SINK) {
      gst_structure_set_name(s, "video/mpeg");
      gst_structure_remove_fields(s, "fourcc", "codec_data", NULL);
      gst_structure_set(s, "mpegversion", G_TYPE_INT, 4, "systemstream", G_TYPE_BOOLEAN, FALSE, NULL);
    } else {
      gst_structure_set_name(s, "video/x-avi-unknown");
      gst_structure_remove_fields(s, "mpegversion", "systemstream", NULL);
    }
    gst_caps_append_structure(out, s);
  }
  if (filter) {
    GstCaps* both = gst_caps_intersect_full(filter, out, GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(out);
    out = both;
  }
  return out;
}

static void xdiv_dec_class_init(XDivDecClass* klass) {
  GstElementClass* element = GST_ELEMENT_CLASS(klass);
  gst_element_class_set_static_metadata(element, "xDIV decoder (test)", "Codec/Decoder/Video",
                                        "Passes xDIV video on as MPEG-4", "Zelvar tests");
  gst_element_class_add_static_pad_template(element, &sink_template);
  gst_element_class_add_static_pad_template(element, &src_template);
  GST_BASE_TRANSFORM_CLASS(klass)->transform_caps = transform_caps;
}

static void xdiv_dec_init(XDivDec* self) { gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(self), TRUE); }

static gboolean plugin_init(GstPlugin* plugin) {
  return gst_element_register(plugin, "divxdec", GST_RANK_NONE, xdiv_dec_get_type());
}

#define PACKAGE "zelvar-tests"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, divxdec, "xDIV decoder for the tests", plugin_init, "1.0",
                  "LGPL", "zelvar-tests", "https://example.invalid/")
