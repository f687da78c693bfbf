# The audio library's folders follow the sound: a stage includes the stages that feed it, never
# the ones it feeds (the decoder hands its sound to a PcmSink, not to the mix).
set(may_include_include "")
set(may_include_format "")
set(may_include_curl "")
set(may_include_buffer "")
set(may_include_net format curl include)
set(may_include_decode buffer format include)
set(may_include_mix buffer decode)
set(may_include_out mix include)
set(may_include_api net buffer decode mix out format include)
set(may_include_aac format include)
set(may_include_ogg format include)
set(may_include_zvplay format include)
