# The player's folders, lowest first; the audio library's header belongs to the engine alone,
# the library's one owner in the receiver.
set(may_include_platform "")
set(may_include_net platform)
set(may_include_engine platform net)
set(may_include_dialogs platform net engine)
set(may_include_ui platform net engine dialogs)
set(may_include_startup platform net engine ui)
set(may_include_desktop platform engine)
set(audio_library_owners engine)
