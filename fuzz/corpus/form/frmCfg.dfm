object dlgCfg: TdlgCfg
  Left = 300
  Top = 200
  BorderStyle = bsDialog
  Caption = 'Korvalin Einstellungen'
  ClientHeight = 372
  ClientWidth = 414
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = True
  Position = poScreenCenter
  OnClose = FormClose
  OnShow = FormShow
  PixelsPerInch = 96
  TextHeight = 13
  object pgMain: TPageControl
    Left = 6
    Top = 6
    Width = 402
    Height = 326
    ActivePage = tabClock
    TabOrder = 0
    TabWidth = 120
    object tabClock: TTabSheet
      Caption = 'Synchronisation'
      object grpClock: TGroupBox
        Left = 4
        Top = 0
        Width = 386
        Height = 294
        TabOrder = 0
        object pnZadeRar: TPanel
          Left = 6
          Top = 10
          Width = 230
          Height = 84
          BevelInner = bvRaised
          BevelOuter = bvLowered
          TabOrder = 0
          object lbZadeRar: TLabel
            Left = 8
            Top = 5
            Caption = 'ZadeRar'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clWindowText
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsBold]
            ParentFont = False
          end
          object chkMaster: TExtCheckBox
            Left = 8
            Top = 21
            Width = 200
            Height = 17
            Caption = 'Karte ist Master'
            TabOrder = 0
            OnClick = chkMasterClick
            CaptionEnglish = 'Card is Master'
            CaptionGerman = 'Karte ist Master'
          end
          object chkZadeRarClock_Internal: TExtRadioButton
            Left = 18
            Top = 41
            Width = 208
            Height = 17
            Enabled = False
            Caption = 'Internen Clock auf ZadeRar geben'
            TabOrder = 1
            OnClick = chkZadeRarClockClick
            CaptionEnglish = 'Internal Clock To ZadeRar'
            CaptionGerman = 'Internen Clock auf ZadeRar geben'
          end
          object chkZadeRarClock_DINP: TExtRadioButton
            Left = 18
            Top = 59
            Width = 208
            Height = 17
            Enabled = False
            Caption = 'Digital Input Clock auf ZadeRar geben'
            TabOrder = 2
            OnClick = chkZadeRarClockClick
            CaptionEnglish = 'Digital Input Clock To ZadeRar'
            CaptionGerman = 'Digital Input Clock auf ZadeRar geben'
          end
        end
        object Panel13: TPanel
          Left = 242
          Top = 10
          Width = 138
          Height = 84
          BevelInner = bvRaised
          BevelOuter = bvLowered
          TabOrder = 1
          object lbInternalClock: TExtLabel
            Left = 8
            Top = 5
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clWindowText
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsBold]
            ParentFont = False
            Caption = 'Interne Clock'
            CaptionEnglish = 'Internal Clock'
            CaptionGerman = 'Interne Clock'
          end
          object lbDefaultRate: TLabel
            Left = 6
            Top = 28
            Caption = 'Default Rate:'
          end
          object edDefaultRate: TEdit
            Left = 72
            Top = 24
            Width = 44
            Height = 21
            TabOrder = 0
            Text = '44100'
            OnChange = edDefaultRateChange
            OnExit = edDefaultRateExit
            OnKeyPress = edDefaultRateKeyPress
          end
          object lbDefaultRateHz: TLabel
            Left = 119
            Top = 28
            Caption = 'Hz'
          end
          object chkSyncToWc: TExtCheckBox
            Left = 6
            Top = 57
            Width = 126
            Height = 17
            Caption = 'Word Clock Sync.'
            TabOrder = 1
            OnClick = SyncToWc
            CaptionEnglish = 'Word Clock Sync.'
            CaptionGerman = 'Word Clock Sync.'
          end
        end
        object pnAna1: TPanel
          Tag = 0
          Left = 6
          Top = 98
          Width = 122
          Height = 190
          BevelInner = bvRaised
          BevelOuter = bvLowered
          TabOrder = 2
          object lbPair1: TLabel
            Left = 8
            Top = 5
            Caption = 'Analog 1-2'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clWindowText
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsBold]
            ParentFont = False
          end
          object pnClock1: TPanel
            Tag = 0
            Left = 2
            Top = 22
            Width = 118
            Height = 64
            BevelOuter = bvNone
            TabOrder = 0
            object ExtLabel1: TExtLabel
              Left = 4
              Top = 0
              Caption = 'Clock:'
              CaptionEnglish = 'Clock:'
              CaptionGerman = 'Clock:'
            end
            object btnInternal1: TExtRadioButton
              Tag = 0
              Left = 10
              Top = 14
              Width = 106
              Height = 17
              Caption = 'Intern'
              TabOrder = 0
              OnClick = btnDevClock_Click
              CaptionEnglish = 'Internal'
              CaptionGerman = 'Intern'
            end
            object btnDigInClock1: TExtRadioButton
              Tag = 1
              Left = 10
              Top = 30
              Width = 106
              Height = 17
              Caption = 'Digital Input'
              TabOrder = 1
              OnClick = btnDevClock_Click
              CaptionEnglish = 'Digital Input'
              CaptionGerman = 'Digital Input'
            end
            object btnZadeRarClock1: TExtRadioButton
              Tag = 2
              Left = 10
              Top = 46
              Width = 106
              Height = 17
              Caption = 'ZadeRar'
              TabOrder = 2
              OnClick = btnDevClock_Click
              CaptionEnglish = 'ZadeRar'
              CaptionGerman = 'ZadeRar'
            end
          end
          object pnRec1: TPanel
            Tag = 1
            Left = 2
            Top = 88
            Width = 118
            Height = 48
            BevelOuter = bvNone
            TabOrder = 1
            object ExtLabel2: TExtLabel
              Left = 4
              Top = 0
              Caption = 'Start/Stop Aufnahme:'
              CaptionEnglish = 'Start/Stop Record:'
              CaptionGerman = 'Start/Stop Aufnahme:'
            end
            object btnRecAutonom1: TExtRadioButton
              Tag = 0
              Left = 10
              Top = 14
              Width = 106
              Height = 17
              Caption = 'Autonom'
              TabOrder = 0
              OnClick = StartStopRecClick
              CaptionEnglish = 'Autonomous'
              CaptionGerman = 'Autonom'
            end
            object btnRecZadeRar1: TExtRadioButton
              Tag = 1
              Left = 10
              Top = 30
              Width = 106
              Height = 17
              Caption = 'ZadeRar'
              TabOrder = 1
              OnClick = StartStopRecClick
              CaptionEnglish = 'ZadeRar'
              CaptionGerman = 'ZadeRar'
            end
          end
          object pnPlay1: TPanel
            Tag = 2
            Left = 2
            Top = 138
            Width = 118
            Height = 48
            BevelOuter = bvNone
            TabOrder = 2
            object ExtLabel3: TExtLabel
              Left = 4
              Top = 0
              Caption = 'Start/Stop Wiedergabe:'
              CaptionEnglish = 'Start/Stop Playback:'
              CaptionGerman = 'Start/Stop Wiedergabe:'
            end
            object btnPlayAutonom1: TExtRadioButton
              Tag = 0
              Left = 10
              Top = 14
              Width = 106
              Height = 17
              Caption = 'Autonom'
              TabOrder = 0
              OnClick = StartStopPlayClick
              CaptionEnglish = 'Autonomous'
              CaptionGerman = 'Autonom'
            end
            object btnPlayZadeRar1: TExtRadioButton
              Tag = 1
              Left = 10
              Top = 30
              Width = 106
              Height = 17
              Caption = 'ZadeRar'
              TabOrder = 1
              OnClick = StartStopPlayClick
              CaptionEnglish = 'ZadeRar'
              CaptionGerman = 'ZadeRar'
            end
          end
        end
        object pnAna2: TPanel
          Tag = 1
          Left = 132
          Top = 98
          Width = 122
          Height = 190
          BevelInner = bvRaised
          BevelOuter = bvLowered
          TabOrder = 3
          object lbPair2: TLabel
            Left = 8
            Top = 5
            Caption = 'Analog 3-4'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clWindowText
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsBold]
            ParentFont = False
          end
          object pnClock2: TPanel
            Tag = 0
            Left = 2
            Top = 22
            Width = 118
            Height = 64
            BevelOuter = bvNone
            TabOrder = 0
            object ExtLabel4: TExtLabel
              Left = 4
              Top = 0
              Caption = 'Clock:'
              CaptionEnglish = 'Clock:'
              CaptionGerman = 'Clock:'
            end
            object btnInternal2: TExtRadioButton
              Tag = 0
              Left = 10
              Top = 14
              Width = 106
              Height = 17
              Caption = 'Intern'
              TabOrder = 0
              OnClick = btnDevClock_Click
              CaptionEnglish = 'Internal'
              CaptionGerman = 'Intern'
            end
            object btnDigInClock2: TExtRadioButton
              Tag = 1
              Left = 10
              Top = 30
              Width = 106
              Height = 17
              Caption = 'Digital Input'
              TabOrder = 1
              OnClick = btnDevClock_Click
              CaptionEnglish = 'Digital Input'
              CaptionGerman = 'Digital Input'
            end
            object btnZadeRarClock2: TExtRadioButton
              Tag = 2
              Left = 10
              Top = 46
              Width = 106
              Height = 17
              Caption = 'ZadeRar'
              TabOrder = 2
              OnClick = btnDevClock_Click
              CaptionEnglish = 'ZadeRar'
              CaptionGerman = 'ZadeRar'
            end
          end
          object pnRec2: TPanel
            Tag = 1
            Left = 2
            Top = 88
            Width = 118
            Height = 48
            BevelOuter = bvNone
            TabOrder = 1
            object ExtLabel5: TExtLabel
              Left = 4
              Top = 0
              Caption = 'Start/Stop Aufnahme:'
              CaptionEnglish = 'Start/Stop Record:'
              CaptionGerman = 'Start/Stop Aufnahme:'
            end
            object btnRecAutonom2: TExtRadioButton
              Tag = 0
              Left = 10
              Top = 14
              Width = 106
              Height = 17
              Caption = 'Autonom'
              TabOrder = 0
              OnClick = StartStopRecClick
              CaptionEnglish = 'Autonomous'
              CaptionGerman = 'Autonom'
            end
            object btnRecZadeRar2: TExtRadioButton
              Tag = 1
              Left = 10
              Top = 30
              Width = 106
              Height = 17
              Caption = 'ZadeRar'
              TabOrder = 1
              OnClick = StartStopRecClick
              CaptionEnglish = 'ZadeRar'
              CaptionGerman = 'ZadeRar'
            end
          end
          object pnPlay2: TPanel
            Tag = 2
            Left = 2
            Top = 138
            Width = 118
            Height = 48
            BevelOuter = bvNone
            TabOrder = 2
            object ExtLabel6: TExtLabel
              Left = 4
              Top = 0
              Caption = 'Start/Stop Wiedergabe:'
              CaptionEnglish = 'Start/Stop Playback:'
              CaptionGerman = 'Start/Stop Wiedergabe:'
            end
            object btnPlayAutonom2: TExtRadioButton
              Tag = 0
              Left = 10
              Top = 14
              Width = 106
              Height = 17
              Caption = 'Autonom'
              TabOrder = 0
              OnClick = StartStopPlayClick
              CaptionEnglish = 'Autonomous'
              CaptionGerman = 'Autonom'
            end
            object btnPlayZadeRar2: TExtRadioButton
              Tag = 1
              Left = 10
              Top = 30
              Width = 106
              Height = 17
              Caption = 'ZadeRar'
              TabOrder = 1
              OnClick = StartStopPlayClick
              CaptionEnglish = 'ZadeRar'
              CaptionGerman = 'ZadeRar'
            end
          end
        end
        object pnDig: TPanel
          Tag = 2
          Left = 258
          Top = 98
          Width = 122
          Height = 190
          BevelInner = bvRaised
          BevelOuter = bvLowered
          TabOrder = 4
          object lbPair3: TLabel
            Left = 8
            Top = 5
            Caption = 'Digital'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clWindowText
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsBold]
            ParentFont = False
          end
          object pnClock3: TPanel
            Tag = 0
            Left = 2
            Top = 22
            Width = 118
            Height = 64
            BevelOuter = bvNone
            TabOrder = 0
            object ExtLabel7: TExtLabel
              Left = 4
              Top = 0
              Caption = 'Wiedergabe Clock:'
              CaptionEnglish = 'Playback Clock:'
              CaptionGerman = 'Wiedergabe Clock:'
            end
            object btnInternal3: TExtRadioButton
              Tag = 0
              Left = 10
              Top = 14
              Width = 106
              Height = 17
              Caption = 'Intern'
              TabOrder = 0
              OnClick = btnDevClock_Click
              CaptionEnglish = 'Internal'
              CaptionGerman = 'Intern'
            end
            object btnDigInClock3: TExtRadioButton
              Tag = 1
              Left = 10
              Top = 30
              Width = 106
              Height = 17
              Caption = 'Digital Input'
              TabOrder = 1
              OnClick = btnDevClock_Click
              CaptionEnglish = 'Digital Input'
              CaptionGerman = 'Digital Input'
            end
            object btnZadeRarClock3: TExtRadioButton
              Tag = 2
              Left = 10
              Top = 46
              Width = 106
              Height = 17
              Caption = 'ZadeRar'
              TabOrder = 2
              OnClick = btnDevClock_Click
              CaptionEnglish = 'ZadeRar'
              CaptionGerman = 'ZadeRar'
            end
          end
          object pnRec3: TPanel
            Tag = 1
            Left = 2
            Top = 88
            Width = 118
            Height = 48
            BevelOuter = bvNone
            TabOrder = 1
            object ExtLabel8: TExtLabel
              Left = 4
              Top = 0
              Caption = 'Start/Stop Aufnahme:'
              CaptionEnglish = 'Start/Stop Record:'
              CaptionGerman = 'Start/Stop Aufnahme:'
            end
            object btnRecAutonom3: TExtRadioButton
              Tag = 0
              Left = 10
              Top = 14
              Width = 106
              Height = 17
              Caption = 'Autonom'
              TabOrder = 0
              OnClick = StartStopRecClick
              CaptionEnglish = 'Autonomous'
              CaptionGerman = 'Autonom'
            end
            object btnRecZadeRar3: TExtRadioButton
              Tag = 1
              Left = 10
              Top = 30
              Width = 106
              Height = 17
              Caption = 'ZadeRar'
              TabOrder = 1
              OnClick = StartStopRecClick
              CaptionEnglish = 'ZadeRar'
              CaptionGerman = 'ZadeRar'
            end
          end
          object pnPlay3: TPanel
            Tag = 2
            Left = 2
            Top = 138
            Width = 118
            Height = 48
            BevelOuter = bvNone
            TabOrder = 2
            object ExtLabel9: TExtLabel
              Left = 4
              Top = 0
              Caption = 'Start/Stop Wiedergabe:'
              CaptionEnglish = 'Start/Stop Playback:'
              CaptionGerman = 'Start/Stop Wiedergabe:'
            end
            object btnPlayAutonom3: TExtRadioButton
              Tag = 0
              Left = 10
              Top = 14
              Width = 106
              Height = 17
              Caption = 'Autonom'
              TabOrder = 0
              OnClick = StartStopPlayClick
              CaptionEnglish = 'Autonomous'
              CaptionGerman = 'Autonom'
            end
            object btnPlayZadeRar3: TExtRadioButton
              Tag = 1
              Left = 10
              Top = 30
              Width = 106
              Height = 17
              Caption = 'ZadeRar'
              TabOrder = 1
              OnClick = StartStopPlayClick
              CaptionEnglish = 'ZadeRar'
              CaptionGerman = 'ZadeRar'
            end
          end
        end
      end
    end
    object tabDsnd: TTabSheet
      Caption = 'DirectSound / GSIF'
      ImageIndex = 1
      object grpDsnd: TExtGroupBox
        Left = 4
        Top = 0
        Width = 386
        Height = 200
        Caption = 'DirectSound'
        TabOrder = 0
        CaptionEnglish = 'DirectSound'
        CaptionGerman = 'DirectSound'
        object Panel11: TPanel
          Left = 8
          Top = 16
          Width = 370
          Height = 176
          BevelOuter = bvNone
          TabOrder = 0
          object btnAutoLatency: TExtRadioButton
            Left = 4
            Top = 2
            Width = 250
            Height = 17
            Caption = ' Automatische &Latenz Erkennung'
            TabOrder = 0
            OnClick = btnAutoLatencyClick
            CaptionEnglish = ' Automatic &Latency Adjustment'
            CaptionGerman = ' Automatische &Latenz Erkennung'
          end
          object btnManLatency: TExtRadioButton
            Left = 4
            Top = 22
            Width = 162
            Height = 17
            Caption = ' Latenz manuell &einstellen:'
            TabOrder = 1
            OnClick = btnManLatencyClick
            CaptionEnglish = ' Adj&ust Latency Manually:'
            CaptionGerman = ' Latenz manuell &einstellen:'
          end
          object lbMs: TLabel
            Left = 166
            Top = 24
            Width = 20
            Height = 13
            Alignment = taRightJustify
            AutoSize = False
            Caption = '60'
          end
          object lbMsLabel: TLabel
            Left = 190
            Top = 24
            Caption = 'ms'
          end
          object barLatency: TTrackBar
            Left = 0
            Top = 40
            Width = 370
            Height = 36
            Max = 100
            Min = 1
            Orientation = trHorizontal
            PageSize = 10
            Frequency = 1
            Position = 60
            TabOrder = 2
            TickMarks = tmBottomRight
            TickStyle = tsAuto
            OnChange = barLatencyChange
          end
          object lb1ms: TLabel
            Left = 1
            Top = 76
            Width = 24
            Height = 13
            Alignment = taCenter
            AutoSize = False
            Caption = '1'
          end
          object lb10ms: TLabel
            Left = 32
            Top = 76
            Width = 24
            Height = 13
            Alignment = taCenter
            AutoSize = False
            Caption = '10'
          end
          object lb20ms: TLabel
            Left = 67
            Top = 76
            Width = 24
            Height = 13
            Alignment = taCenter
            AutoSize = False
            Caption = '20'
          end
          object lb30ms: TLabel
            Left = 101
            Top = 76
            Width = 24
            Height = 13
            Alignment = taCenter
            AutoSize = False
            Caption = '30'
          end
          object lb40ms: TLabel
            Left = 136
            Top = 76
            Width = 24
            Height = 13
            Alignment = taCenter
            AutoSize = False
            Caption = '40'
          end
          object lb50ms: TLabel
            Left = 171
            Top = 76
            Width = 24
            Height = 13
            Alignment = taCenter
            AutoSize = False
            Caption = '50'
          end
          object lb60ms: TLabel
            Left = 205
            Top = 76
            Width = 24
            Height = 13
            Alignment = taCenter
            AutoSize = False
            Caption = '60'
          end
          object lb70ms: TLabel
            Left = 240
            Top = 76
            Width = 24
            Height = 13
            Alignment = taCenter
            AutoSize = False
            Caption = '70'
          end
          object lb80ms: TLabel
            Left = 275
            Top = 76
            Width = 24
            Height = 13
            Alignment = taCenter
            AutoSize = False
            Caption = '80'
          end
          object lb90ms: TLabel
            Left = 309
            Top = 76
            Width = 24
            Height = 13
            Alignment = taCenter
            AutoSize = False
            Caption = '90'
          end
          object lb100ms: TLabel
            Left = 344
            Top = 76
            Width = 24
            Height = 13
            Alignment = taCenter
            AutoSize = False
            Caption = '100'
          end
          object chkWriteIsPlayCursor: TExtCheckBox
            Left = 4
            Top = 98
            Width = 250
            Height = 17
            Caption = ' &Optimiertes Cursor Handling'
            TabOrder = 3
            OnClick = chkWriteIsPlayCursorClick
            CaptionEnglish = ' &Optimized Cursor Handling'
            CaptionGerman = ' &Optimiertes Cursor Handling'
          end
          object chkRestricted: TExtCheckBox
            Left = 4
            Top = 124
            Width = 196
            Height = 17
            Caption = ' Wiedergabe Format begrenzen auf:'
            TabOrder = 4
            OnClick = chkRestrictedClick
            CaptionEnglish = ' Restrict Playback Format to:'
            CaptionGerman = ' Wiedergabe Format begrenzen auf:'
          end
          object boxRestrictedRes: TComboBox
            Left = 200
            Top = 122
            Width = 54
            Height = 21
            Style = csDropDownList
            ItemHeight = 13
            TabOrder = 5
            OnChange = boxRestrictedResChange
            Items.Strings = (
              '8 bit'
              '16 bit')
          end
          object boxRestrictedRate: TComboBox
            Left = 257
            Top = 122
            Width = 70
            Height = 21
            Style = csDropDownList
            ItemHeight = 13
            TabOrder = 6
            OnChange = boxRestrictedRateChange
            Items.Strings = (
              '22050 Hz'
              '44100 Hz'
              '48000 Hz')
          end
          object lbstereo: TLabel
            Left = 331
            Top = 126
            Caption = 'Stereo'
          end
          object chkRestrictedDev: TExtCheckBox
            Left = 4
            Top = 152
            Width = 226
            Height = 17
            Caption = ' Verf'#252'gbare Wiedergabeger'#228'te begrenzen:'
            TabOrder = 7
            OnClick = chkRestrictedDevClick
            CaptionEnglish = ' Available Playback Devices limited to:'
            CaptionGerman = ' Verf'#252'gbare Wiedergabeger'#228'te begrenzen:'
          end
          object boxDevices: TComboBox
            Left = 230
            Top = 150
            Width = 136
            Height = 21
            Style = csDropDownList
            ItemHeight = 13
            TabOrder = 8
            OnChange = boxDevicesChange
            Items.Strings = (
              '-------------------------------'
              'Analog Playback 1-2'
              'Analog Playback 3-4'
              'Digital Playback')
          end
        end
      end
      object grpGsif: TExtGroupBox
        Left = 4
        Top = 204
        Width = 386
        Height = 90
        Caption = ' GigaSampler '
        TabOrder = 1
        CaptionEnglish = ' GigaSampler '
        CaptionGerman = ' GigaSampler '
        object Panel1: TPanel
          Left = 8
          Top = 16
          Width = 370
          Height = 68
          BevelOuter = bvNone
          TabOrder = 0
          object lbKerning: TExtLabel
            Left = 6
            Top = 2
            Caption = 'Granularit'#228't:'
            CaptionEnglish = 'Granularity:'
            CaptionGerman = 'Granularit'#228't:'
          end
          object tckKerning: TTrackBar
            Left = 0
            Top = 16
            Width = 176
            Height = 30
            Max = 4
            Min = 1
            Orientation = trHorizontal
            PageSize = 1
            Frequency = 1
            Position = 1
            TabOrder = 0
            TickMarks = tmBottomRight
            TickStyle = tsAuto
            OnChange = barLatencyChange
          end
          object lbFine: TExtLabel
            Left = 6
            Top = 48
            Caption = 'Fein'
            CaptionEnglish = 'Fine'
            CaptionGerman = 'Fein'
          end
          object lbCoarse: TExtLabel
            Left = 130
            Top = 48
            Width = 40
            Height = 13
            Alignment = taRightJustify
            AutoSize = False
            Caption = 'Grob'
            CaptionEnglish = 'Coarse'
            CaptionGerman = 'Grob'
          end
          object lbPreload: TExtLabel
            Left = 200
            Top = 2
            Caption = 'Latenz:'
            CaptionEnglish = 'Latency:'
            CaptionGerman = 'Latenz:'
          end
          object tckPreload: TTrackBar
            Left = 194
            Top = 16
            Width = 176
            Height = 30
            Max = 20
            Min = 1
            Orientation = trHorizontal
            PageSize = 2
            Frequency = 1
            Position = 2
            TabOrder = 1
            TickMarks = tmBottomRight
            TickStyle = tsAuto
            OnChange = barLatencyChange
          end
          object lbLow: TExtLabel
            Left = 200
            Top = 48
            Caption = 'Niedrig'
            CaptionEnglish = 'Low'
            CaptionGerman = 'Niedrig'
          end
          object lbHigh: TExtLabel
            Left = 324
            Top = 48
            Width = 40
            Height = 13
            Alignment = taRightJustify
            AutoSize = False
            Caption = 'Hoch'
            CaptionEnglish = 'High'
            CaptionGerman = 'Hoch'
          end
        end
      end
    end
    object tabMisc: TTabSheet
      Caption = 'Sonstiges/Info'
      ImageIndex = 2
      object ExtGroupBox2: TExtGroupBox
        Left = 4
        Top = 0
        Width = 386
        Height = 294
        TabOrder = 0
        object Panel16: TPanel
          Left = 8
          Top = 12
          Width = 370
          Height = 72
          BevelInner = bvRaised
          BevelOuter = bvLowered
          TabOrder = 0
          object lbErrorMessages: TExtLabel
            Left = 8
            Top = 6
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clWindowText
            Font.Height = -11
            Font.Name = 'MS Sans Serif'
            Font.Style = [fsBold]
            ParentFont = False
            Caption = 'Fehlermeldungen:'
            CaptionEnglish = 'Error Messages:'
            CaptionGerman = 'Fehlermeldungen:'
          end
          object chkNoMsgRate: TExtCheckBox
            Left = 8
            Top = 26
            Width = 350
            Height = 17
            Caption = ' Deaktiviere Meldungen zu Samplerate Konflikten'
            TabOrder = 0
            OnClick = chkNoMsgRateClick
            CaptionEnglish = ' Disable Messages about Samplerate Conflicts'
            CaptionGerman = ' Deaktiviere Meldungen zu Samplerate Konflikten'
          end
          object chkNoMsgDevConflict: TExtCheckBox
            Left = 8
            Top = 46
            Width = 350
            Height = 17
            Caption = ' Deaktiviere Meldungen zu Ger'#228'tekonflikten'
            TabOrder = 1
            OnClick = chkNoMsgDevConflictClick
            CaptionEnglish = ' Disable Messages about Device Conflicts'
            CaptionGerman = ' Deaktiviere Meldungen zu Ger'#228'tekonflikten'
          end
        end
        object btnInfo: TExtButton
          Left = 8
          Top = 94
          Width = 90
          Height = 25
          Caption = 'Info ...'
          TabOrder = 1
          OnClick = btnInfoClick
          CaptionEnglish = 'About ...'
          CaptionGerman = 'Info ...'
        end
      end
    end
  end
  object btnNext: TExtButton
    Left = 6
    Top = 340
    Width = 40
    Height = 25
    Caption = '>>'
    TabOrder = 4
    OnClick = btnNextClick
  end
  object btnCancel: TExtButton
    Left = 171
    Top = 340
    Width = 75
    Height = 25
    Cancel = True
    ModalResult = mrCancel
    Caption = '&Abbruch'
    TabOrder = 2
    OnClick = btnCancelClick
    CaptionEnglish = '&Cancel'
    CaptionGerman = '&Abbruch'
  end
  object btnApply: TExtButton
    Left = 252
    Top = 340
    Width = 75
    Height = 25
    Enabled = False
    Caption = #220'&bernehmen'
    TabOrder = 3
    OnClick = btnApplyClick
    CaptionEnglish = '&Apply'
    CaptionGerman = #220'&bernehmen'
  end
  object btnOk: TExtButton
    Left = 333
    Top = 340
    Width = 75
    Height = 25
    Default = True
    ModalResult = mrOk
    Caption = '&Ok'
    TabOrder = 1
    OnClick = btnOkClick
    CaptionEnglish = '&Ok'
    CaptionGerman = '&Ok'
  end
end
