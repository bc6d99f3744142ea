/* Benchmark peer: GStreamer's playbin with its own X11 sink, the reference the player's engine is
 * measured against. Modes:
 *   first <file>        CPU seconds from the start of the process to the first picture at the sink
 *   play <file> <secs>  plays for that many seconds in real time, then prints the process CPU seconds
 *                       and the pictures shown meanwhile
 *   seek <file> <mode>  ten seeks while paused (mode "key" or "accurate"); prints the mean latency in ms
 */
#include <gst/gst.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <time.h>

static double cpu_seconds(void) {
  struct rusage r;
  getrusage(RUSAGE_SELF, &r);
  return r.ru_utime.tv_sec + r.ru_stime.tv_sec + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

static double now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static GMutex lock;
static GCond cond;
static int frames;

static GstPadProbeReturn on_buffer(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  g_mutex_lock(&lock);
  frames++;
  g_cond_broadcast(&cond);
  g_mutex_unlock(&lock);
  return GST_PAD_PROBE_OK;
}

static void wait_frames(int n) {
  g_mutex_lock(&lock);
  while (frames < n)
    g_cond_wait(&cond, &lock);
  g_mutex_unlock(&lock);
}

int main(int argc, char** argv) {
  if (argc < 3)
    return 2;
  gst_init(&argc, &argv);
  GstElement* play = gst_element_factory_make("playbin", NULL);
  GstElement* vsink = gst_element_factory_make("ximagesink", NULL);
  GstElement* asink = gst_parse_bin_from_description("fakeaudiosink sync=true", TRUE, NULL);
  /* An address (dvd:///folder) is taken as it is, a file name made into one. */
  gchar* uri = strstr(argv[2], "://") ? g_strdup(argv[2]) : gst_filename_to_uri(argv[2], NULL);
  g_object_set(play, "uri", uri, "video-sink", vsink, "audio-sink", asink, NULL);
  GstPad* pad = gst_element_get_static_pad(vsink, "sink");
  gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, on_buffer, NULL, NULL);
  if (!strcmp(argv[1], "first")) {
    gst_element_set_state(play, GST_STATE_PLAYING);
    wait_frames(1);
    printf("%.4f\n", cpu_seconds());
  } else if (!strcmp(argv[1], "play")) {
    double secs = argc > 3 ? atof(argv[3]) : 10;
    gst_element_set_state(play, GST_STATE_PLAYING);
    wait_frames(5); /* measured once playback runs steadily */
    double start = cpu_seconds();
    int first = frames;
    g_usleep((gulong)(secs * 1e6));
    printf("%.4f %d\n", cpu_seconds() - start, frames - first);
  } else {
    int key = argc > 3 && !strcmp(argv[3], "key");
    gst_element_set_state(play, GST_STATE_PAUSED);
    gst_element_get_state(play, NULL, NULL, GST_CLOCK_TIME_NONE);
    double total = 0;
    for (int i = 0; i < 10; ++i) {
      gint64 target = (gint64)(((i * 7) % 9) + 0.5) * GST_SECOND;
      int before;
      g_mutex_lock(&lock);
      before = frames;
      g_mutex_unlock(&lock);
      double t0 = now_ms();
      gst_element_seek_simple(play, GST_FORMAT_TIME,
                              GST_SEEK_FLAG_FLUSH |
                                  (key ? GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SNAP_BEFORE : GST_SEEK_FLAG_ACCURATE),
                              target);
      wait_frames(before + 1);
      total += now_ms() - t0;
    }
    printf("%.2f\n", total / 10);
  }
  gst_element_set_state(play, GST_STATE_NULL);
  gst_object_unref(pad);
  gst_object_unref(play);
  g_free(uri);
  return 0;
}
