<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="cs">
<context>
    <name>TAfComPortConfigDialog</name>
    <message>
        <source>Bits per second:</source>
        <translation>Bits per second:</translation>
    </message>
    <message>
        <source>Data bits:</source>
        <translation>Data bits:</translation>
    </message>
    <message>
        <source>Parity:</source>
        <translation>Parity:</translation>
    </message>
    <message>
        <source>None</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Odd</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>Even</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>Mark</source>
        <translation>Mark</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>Stop bits:</source>
        <translation>Stop bits:</translation>
    </message>
    <message>
        <source>Flow control:</source>
        <translation>Flow control:</translation>
    </message>
</context>
<context>
    <name>TComPortStringList</name>
    <message>
        <source>, bez oprávnění</source>
        <translation>, no permission</translation>
    </message>
</context>
<context>
    <name>TComboBoxTarvelAddress</name>
    <message>
        <source>(universal tarvel address)</source>
        <translation>(universal tarvel address)</translation>
    </message>
    <message>
        <source>(special tarvel address)</source>
        <translation>(special tarvel address)</translation>
    </message>
</context>
<context>
    <name>TConfigFile</name>
    <message>
        <source>Soubor nastavení %1 nelze přečíst. Jeho kopie je uložena jako %2; připojení je třeba nastavit znovu.</source>
        <translation>The settings file %1 cannot be read. A copy of it is saved as %2; the connections must be set up again.</translation>
    </message>
    <message>
        <source>Soubor nastavení %1 nelze přečíst ani zkopírovat, proto nebude přepsán. Připojení je třeba nastavit znovu.</source>
        <translation>The settings file %1 can be neither read nor copied, so it will not be overwritten. The connections must be set up again.</translation>
    </message>
    <message>
        <source>Soubor nastavení %1 nelze přečíst, proto nebyl přepsán; nastavení připojení nebylo uloženo.</source>
        <translation>The settings file %1 cannot be read, so it was not overwritten; the connection settings were not saved.</translation>
    </message>
    <message>
        <source>Soubor nastavení %1 je jen pro čtení; nastavení připojení nebylo uloženo.</source>
        <translation>The settings file %1 is read-only; the connection settings were not saved.</translation>
    </message>
    <message>
        <source>Nastavení připojení se nepodařilo uložit do %1.</source>
        <translation>The connection settings could not be saved to %1.</translation>
    </message>
    <message>
        <source> ani do </source>
        <translation> or to </translation>
    </message>
</context>
<context>
    <name>TDoubleEdit</name>
    <message>
        <source>%s musí být v rozmezí od %f do %f!</source>
        <translation>%s must be between %f and %f!</translation>
    </message>
</context>
<context>
    <name>TIntEdit</name>
    <message>
        <source>%s musí být v rozmezí od %d do %d!</source>
        <translation>%s must be between %d and %d!</translation>
    </message>
</context>
<context>
    <name>TMyCustomNumEdit</name>
    <message>
        <source>Hodnota</source>
        <translation>Value</translation>
    </message>
</context>
<context>
    <name>TStationRunView</name>
    <message>
        <source>Krok / měření</source>
        <translation>Step / measurement</translation>
    </message>
    <message>
        <source>Hodnota</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>Jednotka</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>Meze</source>
        <translation>Limits</translation>
    </message>
    <message>
        <source>Výsledek</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>Poznámka</source>
        <translation>Detail</translation>
    </message>
    <message>
        <source>Začátek</source>
        <translation>Started</translation>
    </message>
    <message>
        <source>Plán</source>
        <translation>Plan</translation>
    </message>
    <message>
        <source>Stanice</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>Operátor</source>
        <translation>Operator</translation>
    </message>
</context>
<context>
    <name>TTrendCsv</name>
    <message>
        <source>Čas</source>
        <translation>Time</translation>
    </message>
</context>
<context>
    <name>TfAbout</name>
    <message>
        <source>Verze: </source>
        <translation>Version: </translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>TfCiLog</name>
    <message>
        <source>Komunikační log</source>
        <translation>Communication log</translation>
    </message>
    <message>
        <source>ASCII</source>
        <translation>ASCII</translation>
    </message>
    <message>
        <source>Uložit…</source>
        <translation>Save…</translation>
    </message>
    <message>
        <source>Uložit log</source>
        <translation>Save log</translation>
    </message>
    <message>
        <source>Soubor %1 se nepodařilo uložit.</source>
        <translation>The file %1 could not be saved.</translation>
    </message>
    <message>
        <source>Vymazat</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Pozastavit</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Zakázané instrukce</source>
        <translation>Disabled Inst</translation>
    </message>
</context>
<context>
    <name>TfConnectionDialog</name>
    <message>
        <source>Sériový port:</source>
        <translation>Serial port:</translation>
    </message>
    <message>
        <source>Obnovit</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>Číslo portu RS232/485:</source>
        <translation>RS232/485 port number:</translation>
    </message>
    <message>
        <source>Komunikační rychlost [Bd]:</source>
        <translation>Baud rate [Bd]:</translation>
    </message>
    <message>
        <source>USB:</source>
        <translation>USB:</translation>
    </message>
    <message>
        <source>Zařízení:</source>
        <translation>Device:</translation>
    </message>
    <message>
        <source>Sériové číslo:</source>
        <translation>Serial number:</translation>
    </message>
    <message>
        <source>Ethernet:</source>
        <translation>Ethernet:</translation>
    </message>
    <message>
        <source>Datový port</source>
        <translation>Data port</translation>
    </message>
    <message>
        <source>IP adresa:</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <source>Datový port:</source>
        <translation>Data port:</translation>
    </message>
    <message>
        <source>Pro pokročilé</source>
        <translation>Advanced</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Zrušit</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Nastavení připojení</source>
        <translation>Connection settings</translation>
    </message>
</context>
<context>
    <name>TfFTDIdialog</name>
    <message>
        <source>Baud rate:</source>
        <translation>Baud rate:</translation>
    </message>
</context>
<context>
    <name>TfStation</name>
    <message>
        <source>Výrobní test</source>
        <translation>Production test</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>Historie</source>
        <translation>History</translation>
    </message>
    <message>
        <source>Nastavení</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Vybrat…</source>
        <translation>Choose…</translation>
    </message>
    <message>
        <source>Plán:</source>
        <translation>Plan:</translation>
    </message>
    <message>
        <source>Jednotka:</source>
        <translation>Unit:</translation>
    </message>
    <message>
        <source>Operátor:</source>
        <translation>Operator:</translation>
    </message>
    <message>
        <source>Stanice:</source>
        <translation>Station:</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Poslední běhy:</source>
        <translation>Last runs:</translation>
    </message>
    <message>
        <source>Použít</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Sdílené záznamy (PostgreSQL):</source>
        <translation>Shared records (PostgreSQL):</translation>
    </message>
    <message>
        <source>Složka souborů záznamů:</source>
        <translation>Record files folder:</translation>
    </message>
    <message>
        <source>Záznamy stanice:</source>
        <translation>Station records:</translation>
    </message>
    <message>
        <source>Každý běh se nejdřív uloží do záznamů stanice; do sdílených záznamů se odešle, jakmile je server dostupný.</source>
        <translation>Every run is stored in the station&apos;s records first; it is sent to the shared records as soon as the server can be reached.</translation>
    </message>
    <message>
        <source>Složka souborů záznamů</source>
        <translation>Record files folder</translation>
    </message>
    <message>
        <source>Sdílené záznamy: %1</source>
        <translation>Shared records: %1</translation>
    </message>
    <message>
        <source>zadejte adresu postgresql://…</source>
        <translation>enter a postgresql://… address</translation>
    </message>
    <message>
        <source>Čeká na odeslání: %1</source>
        <translation>Waiting to be sent: %1</translation>
    </message>
    <message>
        <source>Sdílené záznamy jsou dostupné.</source>
        <translation>The shared records can be reached.</translation>
    </message>
    <message>
        <source>Sdílené záznamy nejsou dostupné: %1</source>
        <translation>The shared records cannot be reached: %1</translation>
    </message>
    <message>
        <source>Plán testu</source>
        <translation>Test plan</translation>
    </message>
    <message>
        <source>Plány testu (*.toml);;Všechny soubory (*)</source>
        <translation>Test plans (*.toml);;All files (*)</translation>
    </message>
    <message>
        <source>Plán testu nelze použít.</source>
        <translation>The test plan cannot be used.</translation>
    </message>
    <message>
        <source>Plán testu má chyby:
%1</source>
        <translation>The test plan has faults:
%1</translation>
    </message>
    <message>
        <source>Plán „%1“, verze %2, počet kroků: %3</source>
        <translation>Plan &quot;%1&quot;, version %2, steps: %3</translation>
    </message>
    <message>
        <source>Nejdřív vyberte plán testu.</source>
        <translation>Choose a test plan first.</translation>
    </message>
    <message>
        <source>Modul není připojen. Připojte jej v hlavním okně a spusťte test znovu.</source>
        <translation>The module is not connected. Connect it in the main window and start the test again.</translation>
    </message>
    <message>
        <source>Složku záznamů %1 nelze vytvořit.</source>
        <translation>The records folder %1 cannot be made.</translation>
    </message>
    <message>
        <source>Test běží…</source>
        <translation>Test running…</translation>
    </message>
    <message>
        <source>Krok %1 z %2: %3</source>
        <translation>Step %1 of %2: %3</translation>
    </message>
    <message>
        <source>Test byl zastaven dřív, než začal: nic nebylo změřeno ani zapsáno.</source>
        <translation>The test was stopped before it began: nothing was measured or recorded.</translation>
    </message>
    <message>
        <source>Záznam běhu je neúplný: %1</source>
        <translation>The run&apos;s record is incomplete: %1</translation>
    </message>
    <message>
        <source>Běh není v záznamech stanice: %1</source>
        <translation>The run is not in the station&apos;s records: %1</translation>
    </message>
    <message>
        <source>Záznam: %1</source>
        <translation>Record: %1</translation>
    </message>
    <message>
        <source>Probíhá…</source>
        <translation>Running…</translation>
    </message>
    <message>
        <source>Potvrdit</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>Přerušit test</source>
        <translation>Abort test</translation>
    </message>
    <message>
        <source>Záznamy stanice nelze přečíst: %1</source>
        <translation>The station&apos;s records cannot be read: %1</translation>
    </message>
    <message>
        <source>Jednotka</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>Operátor</source>
        <translation>Operator</translation>
    </message>
    <message>
        <source>Stanice</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>%1: text obsahuje neplatné znaky.</source>
        <translation>%1: the text holds characters that are not valid.</translation>
    </message>
    <message>
        <source>%1: nejvýše %2 znaků.</source>
        <translation>%1: at most %2 characters.</translation>
    </message>
    <message>
        <source>Sdílené záznamy: žádné; běhy zůstávají v záznamech stanice.</source>
        <translation>Shared records: none; runs stay in the station&apos;s records.</translation>
    </message>
</context>
<context>
    <name>TfStationHistory</name>
    <message>
        <source>vše</source>
        <translation>all</translation>
    </message>
    <message>
        <source>Od:</source>
        <translation>From:</translation>
    </message>
    <message>
        <source>Do:</source>
        <translation>To:</translation>
    </message>
    <message>
        <source>Hledat</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>Jednotka:</source>
        <translation>Unit:</translation>
    </message>
    <message>
        <source>Plán:</source>
        <translation>Plan:</translation>
    </message>
    <message>
        <source>Stanice:</source>
        <translation>Station:</translation>
    </message>
    <message>
        <source>Výsledek:</source>
        <translation>Verdict:</translation>
    </message>
    <message>
        <source>Selhání</source>
        <translation>Failures</translation>
    </message>
    <message>
        <source>Krok</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>Měření</source>
        <translation>Measurement</translation>
    </message>
    <message>
        <source>Výtěžnost po dnech</source>
        <translation>Yield per day</translation>
    </message>
    <message>
        <source>Záznamy stanice nelze přečíst: %1</source>
        <translation>The station&apos;s records cannot be read: %1</translation>
    </message>
    <message>
        <source>Běhů: %1, prošlo: %2 (%3 %)</source>
        <translation>Runs: %1, passed: %2 (%3 %)</translation>
    </message>
    <message>
        <source>Výtěžnost [%]</source>
        <translation>Yield [%]</translation>
    </message>
</context>
<context>
    <name>TfTCPIPDialog</name>
    <message>
        <source>Nastavení TCP</source>
        <translation>TCP settings</translation>
    </message>
    <message>
        <source>Configuration</source>
        <translation>Configuration</translation>
    </message>
    <message>
        <source>Host IP</source>
        <translation>Host IP</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Automatic local port</source>
        <translation>Automatic local port</translation>
    </message>
    <message>
        <source>Local port</source>
        <translation>Local port</translation>
    </message>
    <message>
        <source>Remote</source>
        <translation>Remote</translation>
    </message>
    <message>
        <source>Local</source>
        <translation>Local</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Apply</translation>
    </message>
</context>
<context>
    <name>TfTrend</name>
    <message>
        <source>Graf</source>
        <translation>Chart</translation>
    </message>
    <message>
        <source>Rozsah:</source>
        <translation>Span:</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>Uložit CSV</source>
        <translation>Save CSV</translation>
    </message>
    <message>
        <source>Uložit PNG</source>
        <translation>Save PNG</translation>
    </message>
    <message>
        <source>Hodnota</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>RAW hodnota</source>
        <translation>RAW value</translation>
    </message>
    <message>
        <source>Teplota [°C]</source>
        <translation>Temperature [°C]</translation>
    </message>
    <message>
        <source>Soubor %1 se nepodařilo uložit.</source>
        <translation>The file %1 could not be saved.</translation>
    </message>
</context>
<context>
    <name>TfrmMain</name>
    <message>
        <source>Digitální vstupy / výstupy</source>
        <translation>Digital inputs / outputs</translation>
    </message>
    <message>
        <source>Vstup</source>
        <translation>Input</translation>
    </message>
    <message>
        <source>Čítač</source>
        <translation>Counter</translation>
    </message>
    <message>
        <source>Výstupy</source>
        <translation>Outputs</translation>
    </message>
    <message>
        <source>Sepnout první vstup</source>
        <translation>First output on</translation>
    </message>
    <message>
        <source>Sepnout další vstup</source>
        <translation>Next output on</translation>
    </message>
    <message>
        <source>Teploměry</source>
        <translation>Thermometers</translation>
    </message>
    <message>
        <source>Spojení se nepodařilo navázat :(</source>
        <translation>The connection could not be made :(</translation>
    </message>
    <message>
        <source>Analogové vstupy - kalibrace</source>
        <translation>Analog inputs - calibration</translation>
    </message>
    <message>
        <source>Rozsah vstupu</source>
        <translation>Input range</translation>
    </message>
    <message>
        <source>RAW hodnota</source>
        <translation>RAW value</translation>
    </message>
    <message>
        <source>Hodnota</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>Nastavit</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>Kalibrace</source>
        <translation>Calibrate</translation>
    </message>
    <message>
        <source>Načíst rozsahy vstupů</source>
        <translation>Read input ranges</translation>
    </message>
    <message>
        <source>Přivedené napětí [V] / proud [mA] na vstup:</source>
        <translation>Applied voltage [V] / current [mA]:</translation>
    </message>
    <message>
        <source>Počet dílků zkalibrozaného vstupu:</source>
        <translation>Full-scale counts of the input:</translation>
    </message>
    <message>
        <source>Analogové výtupy - kalibrace</source>
        <translation>Analog outputs - calibration</translation>
    </message>
    <message>
        <source>Výstup</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>Rozsah výtupu</source>
        <translation>Output range</translation>
    </message>
    <message>
        <source>Zadat 0 V</source>
        <translation>Store 0 V</translation>
    </message>
    <message>
        <source>Zadat 0 mA</source>
        <translation>Store 0 mA</translation>
    </message>
    <message>
        <source>Zadat 10 V</source>
        <translation>Store 10 V</translation>
    </message>
    <message>
        <source>Zadat 20 mA</source>
        <translation>Store 20 mA</translation>
    </message>
    <message>
        <source>Tažením myší doprava / doleva, nahoru / dolů se mění RAW hodnota výstupu</source>
        <translation>Drag the mouse right / left, up / down to change the output&apos;s RAW value</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>Chyba komunikace</source>
        <translation>Communication error</translation>
    </message>
    <message>
        <source>Chyba výpočtu: přivedená hodnota ani průměrná RAW hodnota nesmí být 0</source>
        <translation>Calculation error: neither the applied value nor the average RAW value may be 0</translation>
    </message>
    <message>
        <source>Spojení bylo úspěšně navázáno.</source>
        <translation>Connected successfully.</translation>
    </message>
    <message>
        <source>o</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Programu</source>
        <translation>Tester</translation>
    </message>
    <message>
        <source>Připojit</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>Odpojit</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>Graf</source>
        <translation>Chart</translation>
    </message>
    <message>
        <source>Znovu připojit</source>
        <translation>Reconnect</translation>
    </message>
    <message>
        <source>Zavřít</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Test výstupu: krok %1 z %2</source>
        <translation>Output test: step %1 of %2</translation>
    </message>
    <message>
        <source>Kalibrace vstupu: měření %1 z %2</source>
        <translation>Input calibration: reading %1 of %2</translation>
    </message>
    <message>
        <source>Adresa zařízení:</source>
        <translation>Device address:</translation>
    </message>
    <message>
        <source>Poslat Info</source>
        <translation>Send Info</translation>
    </message>
    <message>
        <source>Odpověď:</source>
        <translation>Answer:</translation>
    </message>
    <message>
        <source>Datum a čas</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>Datum a čas v zařízení:</source>
        <translation>Date and time in device:</translation>
    </message>
    <message>
        <source>Nahrat ze zařízení</source>
        <translation>Read from device</translation>
    </message>
    <message>
        <source>Nastavit podle PC</source>
        <translation>Set from this PC</translation>
    </message>
    <message>
        <source>Znovu připojuji… pokus %1</source>
        <translation>Reconnecting… attempt %1</translation>
    </message>
    <message>
        <source>Znovu připojuji… pokus %1 se nezdařil</source>
        <translation>Reconnecting… attempt %1 failed</translation>
    </message>
    <message>
        <source>Spojení bylo znovu navázáno.</source>
        <translation>Reconnected.</translation>
    </message>
    <message>
        <source>Výrobní test</source>
        <translation>Production test</translation>
    </message>
    <message>
        <source>Připojuji…</source>
        <translation>Connecting…</translation>
    </message>
    <message>
        <source>Odpojeno.</source>
        <translation>Disconnected.</translation>
    </message>
    <message>
        <source>Datum a čas v zařízení byly nastaveny podle PC.</source>
        <translation>The device&apos;s date and time were set from the PC.</translation>
    </message>
    <message>
        <source>RS-485 spojení není otevřeno</source>
        <translation>the RS-485 link is not open</translation>
    </message>
    <message>
        <source>spojení s modulem se přerušilo</source>
        <translation>the link to the module was closed</translation>
    </message>
    <message>
        <source>RS-485 spojení zatím nic nepřijalo: zkontrolujte jeho připojení</source>
        <translation>the RS-485 link has received nothing yet: check its connection</translation>
    </message>
    <message>
        <source>modul neposlal identifikaci: %1</source>
        <translation>the module sent no identification: %1</translation>
    </message>
    <message>
        <source>odpověděl jiný přístroj: „%1“</source>
        <translation>another device answered: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>neznámá instrukce</source>
        <translation>unknown instruction</translation>
    </message>
    <message>
        <source>chybná data: délka, kanál nebo hodnota</source>
        <translation>bad data: length, channel or value</translation>
    </message>
    <message>
        <source>konfigurační instrukce bez povolení konfigurace</source>
        <translation>configuration instruction without configuration enabled</translation>
    </message>
    <message>
        <source>neznámý kód</source>
        <translation>unknown code</translation>
    </message>
    <message>
        <source>Modul požadavek odmítl: kód %1 (%2)</source>
        <translation>The module refused the request: code %1 (%2)</translation>
    </message>
    <message>
        <source>Koeficient %1 je mimo rozsah 0 až %2: zkontrolujte přivedenou hodnotu.</source>
        <translation>The coefficient %1 is outside 0 to %2: check the applied value.</translation>
    </message>
    <message>
        <source>Rozsah AI%1 není známý: načtěte rozsahy vstupů nebo jeden vyberte.</source>
        <translation>The range of AI%1 is not known: read the input ranges or choose one.</translation>
    </message>
    <message>
        <source>Počet dílků musí být v rozmezí od 0 do %1.</source>
        <translation>The full-scale counts must be between 0 and %1.</translation>
    </message>
    <message>
        <source>Přivedená hodnota</source>
        <translation>Applied value</translation>
    </message>
    <message>
        <source>Počet dílků</source>
        <translation>Full-scale counts</translation>
    </message>
    <message>
        <source>Běží výrobní test: panel se do jeho konce neobnovuje.</source>
        <translation>A production test is running: the panel is not refreshed until it ends.</translation>
    </message>
    <message>
        <source>Výrobní test skončil, panel se opět obnovuje.</source>
        <translation>The production test has ended; the panel is refreshed again.</translation>
    </message>
    <message>
        <source>žádná odpověď</source>
        <translation>no answer</translation>
    </message>
    <message>
        <source>odpověděl jiný přístroj, ne RS-485 spojení testeru: „%1“</source>
        <translation>another device answered, not the tester's RS-485 link: "%1"</translation>
    </message>
</context>
</TS>
