#include "driver/msg.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace krvl {

const char* const kSettingsLockedText =
    "Die Einstellungen des Korvalin Treibers können derzeit nicht geändert "
    "werden.\r\nBeenden Sie erst alle Anwendungen, welche die Korvalin "
    "verwenden.";

namespace {

enum class Form { None, Plain, Card, Device, Format };

const char* const kD = "Der Korvalin Treiber konnte nicht initialisiert werden. \r\n";
const char* const kK = "\r\nKeine Audiofunktionen auf diesem Gerät verfügbar.";

const char* const kFehler = "Korvalin Fehler";
const char* const kInit = "Korvalin Initialisierungsfehler";
const char* const kWarnung = "Korvalin Warnung";

struct Row {
    int id;
    Form form;
    std::string text;
    const char* caption;
};

const std::vector<Row>& Table() {
    static const std::vector<Row> rows = {
        {-1, Form::Plain, std::string(kD) + "Nicht genügend Speicher verfügbar." + kK, kFehler},
        {-2, Form::Card, "Fehler beim Lesen der Datei RBT Datei.", kFehler},
        {-3, Form::Card,
         std::string(
             "Die passende .RBT Datei konnte nicht im Systemverzeichnis von Windows gefunden werden.") +
             kK,
         kFehler},
        {-4, Form::Card, std::string(kD) + "Fehlende Timerresourcen im Windows System." + kK, kFehler},
        {-5, Form::Device,
         "Das Aktivieren dieses Gerätes macht eine Reinitialisierung der Hardware notwendig.\r\nDies ist "
         "derzeit "
         "nicht möglich, da andere Geräte der Karte arbeiten.",
         kFehler},
        {-6, Form::Plain, kSettingsLockedText, kFehler},
        {-7, Form::Plain, std::string(kD) + "Fehler beim Lesen der Systemregistrierung." + kK, kFehler},
        {-8, Form::Plain, std::string(kD) + "Sorry, interner Zeigerfehler." + kK, kFehler},
        {-17, Form::Plain, std::string(kD) + "Das Modul KRVL.VXD wurde nicht geladen." + kK, kInit},
        {-18, Form::Plain, std::string(kD) + "Kernel Driver Device konnte nicht geöffnet werden." + kK,
         kInit},
        {-19, Form::Plain, std::string(kD) + "Kernel Audio Devices konnten nicht geöffnet werden." + kK,
         kInit},
        {-20, Form::Plain, std::string("Fehler beim Erzeugen eines Kernel Ereignisobjects.") + kK, kInit},
        {-21, Form::Card, std::string("Die Playcounter der Korvalin ließen sich nicht zurücksetzen. ") + kK,
         kInit},
        {-22, Form::Card, std::string("Die Playcounter der Korvalin laufen nicht. ") + kK, kInit},
        {-23, Form::Card, std::string("Die Recordcounter der Korvalin ließen sich nicht zurücksetzen. ") + kK,
         kInit},
        {-24, Form::Card, std::string("Die Recordcounter der Korvalin laufen nicht. ") + kK, kInit},
        {-25, Form::Card, std::string("IRQ konnte nicht belegt werden.") + kK, kInit},
        {-26, Form::Card, std::string("Der Interrupt Request der Hardware bleibt unerkannt.") + kK, kInit},
        {-27, Form::Plain, std::string(kD) + "Falsche Version des Moduls KRVL.VXD" + kK, kInit},
        {-28, Form::Card, std::string("DirectSound Modul konnte nicht initialisiert werden.") + kK, kInit},
        {-29, Form::Card, std::string("Midi Modul konnte nicht initialisiert werden.") + kK, kInit},
        {-30, Form::Card, std::string("Fpga konnte nicht initialisiert werden.") + kK, kInit},
        {-31, Form::Card, std::string("Kartenspeicher fehlerhaft.") + kK, kInit},
        {-49, Form::Device, "Fehler bei I/O Operation mit Kernel.", kFehler},
        {-51, Form::Format,
         "Das Gerät \"%s\" kann momentan nicht mit der Samplerate %d Hz geöffnet werden.\r\nDer "
         "angeschlossene Clock "
         "Generator wird bereits durch ein anderes Gerät mit der Samplerate %d Hz betrieben.",
         kFehler},
        {-52, Form::Format,
         "Die für das Gerät \"%s\" geforderte Samplerate von %d Hz stimmt nicht mit der des angeschlossenen "
         "und "
         "Clock Generators (%d Hz) überein.",
         kWarnung},
        {-53, Form::Format,
         "Die für das Gerät \"%s\" geforderte Samplerate von %d Hz kann nicht bereitgestellt werden.\r\nDie "
         "Korvalin Hardware konnte sich nicht auf den externen Clock einstellen (No Lock).",
         kWarnung},
        {-54, Form::Format,
         "Die für das Gerät \"%s\" geforderte Samplerate von %d Hz kann nicht bereitgestellt werden.\r\nDer "
         "externe "
         "Clock entspricht einer Samplerate von %d Hz.",
         kWarnung},
        {-55, Form::Device, "Das digitale Wiedergabegrät läuft.", kFehler},
        {-56, Form::Device, "Fehler beim Erzeugen eines Threads.", kFehler},
        {-57, Form::Device, "Fehler beim Erzeugen eines Kernel Ereignisobjects.", kInit},
        {-58, Form::Device, "Fehler beim Öffnen eines Kernel Ereignisobjekts.", kInit},
        {-59, Form::Device, "Fehler beim Warten auf Ereignisobjekt.", kInit},
        {-60, Form::Device, "Adat-Monitoring ist aktiv.", kFehler},
        {-61, Form::Format, "Sorry, Interner Fehler: Diese Fehlermeldung (NoRwP) dürfte nie erscheinen.",
         kFehler},
    };
    return rows;
}

UINT StyleOf(const std::string& caption) {
    return caption == kWarnung ? MB_ICONINFORMATION : MB_ICONERROR;
}

std::string DeviceName(const DeviceRecord& device) {
    const BYTE* p = device.data + DeviceRecord::kNameOffset;
    // The length byte can claim more than the record holds; stay inside it.
    std::size_t n =
        std::min<std::size_t>(p[0], DeviceRecord::kAskedRateOffset - DeviceRecord::kNameOffset - 1);
    return std::string(reinterpret_cast<const char*>(p + 1), n);
}

std::int32_t ReadInt(const BYTE* p) {
    std::int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Fills %s, then the two %d in order. The table's own texts are the only format strings: device data is
// only ever inserted, never interpreted.
std::string FillFormat(const std::string& format, const DeviceRecord& device) {
    std::string name = DeviceName(device);
    std::int32_t rates[2] = {ReadInt(device.data + DeviceRecord::kAskedRateOffset),
                             ReadInt(device.data + DeviceRecord::kOtherRateOffset)};
    int nextRate = 0;
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == 's') {
                out += name;
                ++i;
                continue;
            }
            if (format[i + 1] == 'd' && nextRate < 2) {
                out += std::to_string(rates[nextRate++]);
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

} // namespace

bool ComposeDriverError(int cardNumber, int errId, const DeviceRecord* device, MessageRecord& out) {
    if (errId == 1 || errId == 0 || errId == -50) return false;
    const auto& rows = Table();
    auto it = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.id == errId; });
    if (it == rows.end()) {
        out = MessageRecord{"Undefined ErrId", "Internal Error", MB_ICONERROR};
        return true;
    }
    const DeviceRecord* dev = device && device->data ? device : nullptr;
    std::string text;
    switch (it->form) {
    case Form::Plain:
    case Form::None:
        text = it->text;
        break;
    case Form::Card:
        text = "Die Hardware der Korvalin Karte #" + std::to_string(cardNumber) +
               " konnte nicht initialisiert werden. \r\n" + it->text;
        break;
    case Form::Device: {
        std::string quoted;
        if (dev) quoted = "\"" + DeviceName(*dev).substr(0, 63) + "\"";
        text = "Das Gerät " + quoted + " konnte nicht geöffnet werden. \r\n" + it->text + kK;
        break;
    }
    case Form::Format:
        text = dev ? FillFormat(it->text, *dev) : it->text;
        break;
    }
    out = MessageRecord{std::move(text), it->caption, StyleOf(it->caption)};
    return true;
}

int ShowDriverError(int cardNumber, int errId, const DeviceRecord* device) {
    MessageRecord record;
    if (!ComposeDriverError(cardNumber, errId, device, record)) return 0;
    ShowMessage(record);
    return 1;
}

void ShowMessage(const MessageRecord& record) {
    MessageBoxA(nullptr, record.text.c_str(), record.caption.c_str(), record.style);
}

} // namespace krvl
