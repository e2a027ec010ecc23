"""A speech server for Orca that speaks into a file: each utterance Orca
would send to a synthesizer becomes one line of KSIEZYC_SPEECH_LOG, as
"KIND<TAB>text" with line ends shown as "\\n". Named as Orca's speech
server factory in the test's settings, it lets the test hear Orca without
a sound device or speech-dispatcher.

Orca 43 (Debian 12) calls its speech servers in camelCase, Orca 48
(Debian 13) partly in snake_case: each method answers to both names.
Orca 51 (Debian 14) also asks whether the server answers, and in what
language it speaks."""

import os

try:
    from orca.speechserver import SayAllContext
    COMPLETED = SayAllContext.COMPLETED
except (ImportError, AttributeError):
    COMPLETED = 2


def _write(kind, text):
    with open(os.environ["KSIEZYC_SPEECH_LOG"], "a", encoding="utf-8") as log:
        log.write(f"{kind}\t{str(text).replace(chr(10), chr(92) + 'n')}\n")


class SpeechServer:
    _server = None

    @staticmethod
    def getFactoryName():
        return "ksiezyc test speech"

    @staticmethod
    def getSpeechServers():
        return [SpeechServer.getSpeechServer()]

    @staticmethod
    def getSpeechServer(info=None):
        if SpeechServer._server is None:
            SpeechServer._server = SpeechServer()
        return SpeechServer._server

    @staticmethod
    def shutdownActiveServers():
        SpeechServer._server = None

    get_factory_name = getFactoryName
    get_speech_servers = getSpeechServers
    get_speech_server = getSpeechServer
    shutdown_active_servers = shutdownActiveServers

    def getInfo(self):
        return [self.getFactoryName(), "file"]

    def getVoiceFamilies(self):
        return []

    def list_output_modules(self):
        return []

    def speak(self, text=None, acss=None, interrupt=True):
        if text:
            _write("speak", text)

    def speakCharacter(self, character, acss=None, **_style):
        _write("character", character)

    def speakKeyEvent(self, event, acss=None):
        _write("key", getattr(event, "event_string", event))

    def sayAll(self, utteranceIterator, progressCallback):
        context = None
        for context, _acss in utteranceIterator:
            _write("say-all", context.utterance)
        if context is not None:
            progressCallback(context, COMPLETED)

    def is_responsive(self, timeout=2.0):
        return True

    def get_language_and_dialect(self, family):
        return ("", "")

    get_info = getInfo
    get_voice_families = getVoiceFamilies
    speak_character = speakCharacter
    speak_key_event = speakKeyEvent
    say_all = sayAll

    # Rate, pitch, volume, punctuation, stop, reset, shutdown: nothing to do
    # for a file.
    def __getattr__(self, name):
        return lambda *args, **kwargs: None
