object frmAnalogInp: TfrmAnalogInp
  Left = 200
  Top = 60
  Width = 180
  Height = 665
  HorzScrollBar.Visible = False
  VertScrollBar.Visible = False
  BorderStyle = bsSizeToolWin
  Caption = 'KRV Ana. Input'
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clBlack
  Font.Height = -11
  Font.Name = 'Arial'
  Font.Style = []
  OldCreateOrder = True
  ShowHint = True
  OnClose = FormClose
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  OnResize = FormResize
  OnShow = FormShow
  PixelsPerInch = 96
  TextHeight = 14
  object pnChecks: TPanel
    Tag = -1
    Left = 0
    Top = 555
    Width = 172
    Height = 86
    Align = alClient
    BevelInner = bvRaised
    BevelOuter = bvLowered
    TabOrder = 1
    object chkPeakMeter: TExtCheckBox
      Tag = -1
      Left = 8
      Top = 43
      Width = 97
      Height = 17
      Caption = '&Level'
      Checked = True
      TabOrder = 0
      OnClick = chkPeakMeterClick
      CaptionEnglish = '&Level'
      CaptionGerman = '&Level'
    end
    object chkGainSlider: TExtCheckBox
      Tag = -1
      Left = 8
      Top = 61
      Width = 97
      Height = 17
      Caption = '&Fader'
      Checked = True
      TabOrder = 0
      OnClick = chkGainSliderClick
      CaptionEnglish = '&Fader'
      CaptionGerman = '&Fader'
    end
    object chkMonSel: TExtCheckBox
      Tag = -1
      Left = 8
      Top = 25
      Width = 97
      Height = 17
      Caption = '&Monitor'
      Checked = True
      TabOrder = 0
      OnClick = chkMonSelClick
      CaptionEnglish = '&Monitor'
      CaptionGerman = '&Monitor'
    end
    object chkInpsel: TExtCheckBox
      Tag = -1
      Left = 8
      Top = 7
      Width = 97
      Height = 17
      Caption = '&Input'
      Checked = True
      TabOrder = 0
      OnClick = chkInpselClick
      CaptionEnglish = '&Input'
      CaptionGerman = '&Input'
    end
  end
  object grpInput: TPanel
    Left = 0
    Top = 0
    Width = 172
    Height = 555
    Align = alTop
    BevelInner = bvRaised
    BevelOuter = bvLowered
    TabOrder = 0
    object pnInpheader: TPanel
      Left = 2
      Top = 2
      Width = 168
      Height = 24
      BevelOuter = bvNone
      Align = alTop
      TabOrder = 0
      object ExtLabel3: TExtLabel
        Left = 8
        Top = 4
        Width = 40
        Height = 16
        Caption = 'Input'
        Font.Charset = DEFAULT_CHARSET
        Font.Color = clBlack
        Font.Height = -13
        Font.Name = 'Arial'
        Font.Style = [fsBold, fsItalic]
        ParentFont = False
        CaptionEnglish = 'Input'
        CaptionGerman = 'Input'
      end
    end
    object UpperScroller: TPanel
      Left = 2
      Top = 26
      Width = 168
      Height = 33
      BevelOuter = bvNone
      Align = alTop
      TabOrder = 0
      object Panel13: TPanel
        Left = 0
        Top = 0
        Width = 4
        Height = 33
        BevelOuter = bvNone
        Align = alLeft
        TabOrder = 0
      end
      object Panel14: TPanel
        Left = 164
        Top = 0
        Width = 4
        Height = 33
        BevelOuter = bvNone
        Align = alRight
        TabOrder = 0
      end
      object pnInpSel: TPanel
        Left = 4
        Top = 0
        Width = 160
        Height = 33
        BevelOuter = bvNone
        Align = alClient
        TabOrder = 0
        object Panel5: TPanel
          Left = 2
          Top = 0
          Width = 67
          Height = 33
          BevelOuter = bvNone
          TabOrder = 0
          object SpeedButton15: TSpeedButton
            Tag = 6
            Left = 0
            Top = 16
            Width = 53
            Height = 17
            GroupIndex = 3
            Caption = 'Line'
            Cursor = crHandPoint
            OnClick = btnInpSelClick
          end
        end
        object Panel16: TPanel
          Left = 82
          Top = 0
          Width = 67
          Height = 33
          BevelOuter = bvNone
          TabOrder = 0
          object SpeedButton3: TSpeedButton
            Tag = 5
            Left = 0
            Top = 0
            Width = 53
            Height = 17
            GroupIndex = 3
            Caption = 'CD'
            Cursor = crHandPoint
            NumGlyphs = 2
            OnClick = btnInpSelClick
          end
          object btncinch: TSpeedButton
            Tag = 6
            Left = 0
            Top = 16
            Width = 53
            Height = 17
            GroupIndex = 3
            Caption = 'Line'
            Cursor = crHandPoint
            NumGlyphs = 2
            OnClick = btnInpSelClick
          end
        end
      end
    end
    object pnMonHeader: TPanel
      Left = 2
      Top = 59
      Width = 168
      Height = 20
      BevelOuter = bvNone
      Align = alTop
      TabOrder = 0
      object Panel9: TPanel
        Left = 0
        Top = 0
        Width = 7
        Height = 20
        BevelOuter = bvNone
        Align = alLeft
        TabOrder = 0
      end
      object Panel10: TPanel
        Left = 161
        Top = 0
        Width = 7
        Height = 20
        BevelOuter = bvNone
        Align = alRight
        TabOrder = 0
      end
      object ExtLabel1: TExtLabel
        Left = 8
        Top = 2
        Width = 40
        Height = 16
        Caption = 'Monitor'
        Font.Charset = DEFAULT_CHARSET
        Font.Color = clBlack
        Font.Height = -13
        Font.Name = 'Arial'
        Font.Style = [fsBold, fsItalic]
        ParentFont = False
        CaptionEnglish = 'Monitor'
        CaptionGerman = 'Monitor'
      end
    end
    object Panel7: TPanel
      Left = 2
      Top = 79
      Width = 4
      Height = 474
      BevelOuter = bvNone
      Align = alLeft
      TabOrder = 0
    end
    object Panel11: TPanel
      Left = 166
      Top = 79
      Width = 4
      Height = 474
      BevelOuter = bvNone
      Align = alRight
      TabOrder = 0
    end
    object BottomScroller: TScrollBox
      Left = 6
      Top = 79
      Width = 160
      Height = 474
      HorzScrollBar.Increment = 80
      HorzScrollBar.Tracking = True
      HorzScrollBar.Visible = False
      VertScrollBar.Visible = False
      Align = alClient
      BorderStyle = bsNone
      TabOrder = 4
      object pnMon: TPanel
        Left = 0
        Top = 4
        Width = 155
        Height = 85
        BevelOuter = bvNone
        TabOrder = 0
        object pnRoute12: TPanel
          Left = 2
          Top = 0
          Width = 67
          Height = 85
          BevelOuter = bvNone
          TabOrder = 0
          object SpeedButton8: TSpeedButton
            Tag = 1
            Left = 0
            Top = 0
            Width = 53
            Height = 17
            AllowAllUp = True
            GroupIndex = 2
            Caption = 'OnRec'
            Cursor = crHandPoint
            OnClick = WhenToMonClick
          end
          object SpeedButton9: TSpeedButton
            Tag = 2
            Left = 0
            Top = 16
            Width = 53
            Height = 17
            AllowAllUp = True
            GroupIndex = 2
            Caption = 'OnPunch'
            Cursor = crHandPoint
            OnClick = WhenToMonClick
          end
          object SpeedButton4: TSpeedButton
            Tag = 1
            Left = 0
            Top = 36
            Width = 53
            Height = 17
            GroupIndex = 1
            Down = True
            Caption = 'Ana 1-2'
            Cursor = crHandPoint
            OnClick = btnMonRouteClick
          end
          object SpeedButton5: TSpeedButton
            Tag = 2
            Left = 0
            Top = 52
            Width = 53
            Height = 17
            GroupIndex = 1
            Caption = 'Ana 3-4'
            Cursor = crHandPoint
            OnClick = btnMonRouteClick
          end
          object SpeedButton6: TSpeedButton
            Tag = 3
            Left = 0
            Top = 68
            Width = 53
            Height = 17
            GroupIndex = 1
            Caption = 'Digital'
            Cursor = crHandPoint
            OnClick = btnMonRouteClick
          end
        end
        object pnRoute34: TPanel
          Left = 82
          Top = 0
          Width = 67
          Height = 85
          BevelOuter = bvNone
          TabOrder = 0
          object SpeedButton7: TSpeedButton
            Tag = 1
            Left = 0
            Top = 0
            Width = 53
            Height = 17
            AllowAllUp = True
            GroupIndex = 2
            Caption = 'OnRec'
            Cursor = crHandPoint
            NumGlyphs = 2
            OnClick = WhenToMonClick
          end
          object SpeedButton10: TSpeedButton
            Tag = 2
            Left = 0
            Top = 16
            Width = 53
            Height = 17
            AllowAllUp = True
            GroupIndex = 2
            Caption = 'OnPunch'
            Cursor = crHandPoint
            NumGlyphs = 2
            OnClick = WhenToMonClick
          end
          object SpeedButton12: TSpeedButton
            Tag = 1
            Left = 0
            Top = 36
            Width = 53
            Height = 17
            GroupIndex = 1
            Caption = 'Ana 1-2'
            Cursor = crHandPoint
            NumGlyphs = 2
            OnClick = btnMonRouteClick
          end
          object SpeedButton13: TSpeedButton
            Tag = 2
            Left = 0
            Top = 52
            Width = 53
            Height = 17
            GroupIndex = 1
            Down = True
            Caption = 'Ana 3-4'
            Cursor = crHandPoint
            NumGlyphs = 2
            OnClick = btnMonRouteClick
          end
          object SpeedButton14: TSpeedButton
            Tag = 3
            Left = 0
            Top = 68
            Width = 53
            Height = 17
            GroupIndex = 1
            Caption = 'Digital'
            Cursor = crHandPoint
            NumGlyphs = 2
            OnClick = btnMonRouteClick
          end
        end
      end
      object pnMeters: TPanel
        Left = 0
        Top = 91
        Width = 155
        Height = 185
        BevelOuter = bvNone
        TabOrder = 0
        object pnMeter12: TPanel
          Left = 0
          Top = 0
          Width = 75
          Height = 185
          BevelOuter = bvNone
          TabOrder = 0
          object Label1: TLabel
            Left = 2
            Top = 3
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label2: TLabel
            Left = 2
            Top = 24
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label3: TLabel
            Left = 2
            Top = 48
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label4: TLabel
            Left = 2
            Top = 96
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label5: TLabel
            Left = 2
            Top = 128
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label6: TLabel
            Left = 2
            Top = 144
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label7: TLabel
            Left = 2
            Top = 156
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Meter1: TLevelMeter
            Tag = 0
            Left = 6
            Top = 6
            Width = 18
            Height = 163
            LumiHeight = 5
            NumLumisRed = 1
            NumLumisOrange = 12
            TimerInterval = 40
            LevelMaxHold = 3000
          end
          object Meter2: TLevelMeter
            Tag = 1
            Left = 28
            Top = 6
            Width = 18
            Height = 163
            LumiHeight = 5
            NumLumisRed = 1
            NumLumisOrange = 12
            TimerInterval = 40
            LevelMaxHold = 3000
          end
          object Label8: TLabel
            Left = 50
            Top = 3
            Width = 18
            Height = 14
            Caption = '0'
            Transparent = True
          end
          object Label9: TLabel
            Left = 50
            Top = 24
            Width = 18
            Height = 14
            Caption = '-5'
            Transparent = True
          end
          object Label10: TLabel
            Left = 50
            Top = 48
            Width = 18
            Height = 14
            Caption = '-10'
            Transparent = True
          end
          object Label11: TLabel
            Left = 50
            Top = 96
            Width = 18
            Height = 14
            Caption = '-20'
            Transparent = True
          end
          object Label12: TLabel
            Left = 50
            Top = 128
            Width = 18
            Height = 14
            Caption = '-30'
            Transparent = True
          end
          object Label13: TLabel
            Left = 50
            Top = 144
            Width = 18
            Height = 14
            Caption = '-40'
            Transparent = True
          end
          object Label14: TLabel
            Left = 50
            Top = 156
            Width = 18
            Height = 14
            Caption = '-60'
            Transparent = True
          end
          object Label15: TLabel
            Left = 50
            Top = 171
            Width = 18
            Height = 14
            Caption = 'dB'
            Transparent = True
          end
        end
        object Panel1: TPanel
          Left = 80
          Top = 0
          Width = 75
          Height = 185
          BevelOuter = bvNone
          TabOrder = 0
          object Label16: TLabel
            Left = 2
            Top = 3
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label17: TLabel
            Left = 2
            Top = 24
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label18: TLabel
            Left = 2
            Top = 48
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label19: TLabel
            Left = 2
            Top = 96
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label20: TLabel
            Left = 2
            Top = 128
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label21: TLabel
            Left = 2
            Top = 144
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label22: TLabel
            Left = 2
            Top = 156
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object LevelMeter1: TLevelMeter
            Tag = 2
            Left = 6
            Top = 6
            Width = 18
            Height = 163
            LumiHeight = 5
            NumLumisRed = 1
            NumLumisOrange = 12
            TimerInterval = 40
            LevelMaxHold = 3000
          end
          object LevelMeter2: TLevelMeter
            Tag = 3
            Left = 28
            Top = 6
            Width = 18
            Height = 163
            LumiHeight = 5
            NumLumisRed = 1
            NumLumisOrange = 12
            TimerInterval = 40
            LevelMaxHold = 3000
          end
          object Label23: TLabel
            Left = 50
            Top = 3
            Width = 18
            Height = 14
            Caption = '0'
            Transparent = True
          end
          object Label24: TLabel
            Left = 50
            Top = 24
            Width = 18
            Height = 14
            Caption = '-5'
            Transparent = True
          end
          object Label25: TLabel
            Left = 50
            Top = 48
            Width = 18
            Height = 14
            Caption = '-10'
            Transparent = True
          end
          object Label26: TLabel
            Left = 50
            Top = 96
            Width = 18
            Height = 14
            Caption = '-20'
            Transparent = True
          end
          object Label27: TLabel
            Left = 50
            Top = 128
            Width = 18
            Height = 14
            Caption = '-30'
            Transparent = True
          end
          object Label28: TLabel
            Left = 50
            Top = 144
            Width = 18
            Height = 14
            Caption = '-40'
            Transparent = True
          end
          object Label29: TLabel
            Left = 50
            Top = 156
            Width = 18
            Height = 14
            Caption = '-60'
            Transparent = True
          end
          object Label30: TLabel
            Left = 50
            Top = 171
            Width = 18
            Height = 14
            Caption = 'dB'
            Transparent = True
          end
        end
      end
      object pnSliders: TPanel
        Left = 0
        Top = 276
        Width = 155
        Height = 180
        BevelOuter = bvNone
        TabOrder = 0
        object pnSlider12: TPanel
          Left = 0
          Top = 0
          Width = 75
          Height = 180
          BevelOuter = bvNone
          TabOrder = 0
          object Label31: TLabel
            Left = 2
            Top = 10
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label32: TLabel
            Left = 2
            Top = 23
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label33: TLabel
            Left = 2
            Top = 40
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label34: TLabel
            Left = 2
            Top = 57
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label35: TLabel
            Left = 2
            Top = 72
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label36: TLabel
            Left = 2
            Top = 95
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label37: TLabel
            Left = 2
            Top = 109
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label38: TLabel
            Left = 50
            Top = 10
            Width = 18
            Height = 14
            Caption = '+18'
            Transparent = True
          end
          object Label39: TLabel
            Left = 50
            Top = 23
            Width = 18
            Height = 14
            Caption = '+10'
            Transparent = True
          end
          object Label40: TLabel
            Left = 50
            Top = 40
            Width = 18
            Height = 14
            Caption = '0'
            Transparent = True
          end
          object Label41: TLabel
            Left = 50
            Top = 57
            Width = 18
            Height = 14
            Caption = '-10'
            Transparent = True
          end
          object Label42: TLabel
            Left = 50
            Top = 72
            Width = 18
            Height = 14
            Caption = '-20'
            Transparent = True
          end
          object Label43: TLabel
            Left = 50
            Top = 95
            Width = 18
            Height = 14
            Caption = '-30'
            Transparent = True
          end
          object Label44: TLabel
            Left = 50
            Top = 109
            Width = 18
            Height = 14
            Caption = '-40'
            Transparent = True
          end
          object Label45: TLabel
            Left = 50
            Top = 163
            Width = 18
            Height = 14
            Caption = 'dB'
            Transparent = True
          end
          object Label46: TLabel
            Left = 12
            Top = 147
            Width = 8
            Height = 20
            Caption = #235
            Font.Charset = SYMBOL_CHARSET
            Font.Color = clBlack
            Font.Height = -16
            Font.Name = 'Symbol'
            Font.Style = []
            ParentFont = False
            Transparent = True
          end
          object Label47: TLabel
            Left = 33
            Top = 147
            Width = 8
            Height = 20
            Caption = #251
            Font.Charset = SYMBOL_CHARSET
            Font.Color = clBlack
            Font.Height = -16
            Font.Name = 'Symbol'
            Font.Style = []
            ParentFont = False
            Transparent = True
          end
          object btnMuteOut1: TSpeedButton
            Tag = 0
            Left = 4
            Top = 134
            Width = 20
            Height = 16
            AllowAllUp = True
            GroupIndex = 1
            Caption = 'M'
            OnClick = btnMuteClick
          end
          object btnMuteOut2: TSpeedButton
            Tag = 1
            Left = 28
            Top = 134
            Width = 20
            Height = 16
            AllowAllUp = True
            GroupIndex = 2
            Caption = 'M'
            OnClick = btnMuteClick
          end
          object chkLink12: TCheckBox
            Tag = -1
            Left = 19
            Top = 157
            Width = 15
            Height = 17
            Checked = True
            TabOrder = 0
            OnClick = chkLinkClick
          end
          object Slider0: TSlider
            Left = 12
            Top = 12
            Width = 4
            Height = 112
            Min = 31
            Max = 164
            Position = 31
            BtnHeight = 26
            BtnWidth = 18
            MoveRestriction = 6
            Number = 0
            LinkCheck = chkLink12
            OnChange = SliderChange
          end
          object Slider1: TSlider
            Left = 36
            Top = 12
            Width = 4
            Height = 112
            Min = 31
            Max = 164
            Position = 31
            BtnHeight = 26
            BtnWidth = 18
            MoveRestriction = 6
            Number = 1
            LinkCheck = chkLink12
            OnChange = SliderChange
          end
        end
        object Panel4: TPanel
          Left = 80
          Top = 0
          Width = 75
          Height = 180
          BevelOuter = bvNone
          TabOrder = 0
          object Label48: TLabel
            Left = 2
            Top = 10
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label49: TLabel
            Left = 2
            Top = 23
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label50: TLabel
            Left = 2
            Top = 40
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label51: TLabel
            Left = 2
            Top = 57
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label52: TLabel
            Left = 2
            Top = 72
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label53: TLabel
            Left = 2
            Top = 95
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label54: TLabel
            Left = 2
            Top = 109
            Width = 46
            Height = 14
            AutoSize = False
            Caption = '- - - - - - - - - -'
            Font.Charset = DEFAULT_CHARSET
            Font.Color = clGray
            Font.Height = -11
            Font.Name = 'Arial'
            Font.Style = [fsItalic]
            ParentFont = False
            Transparent = True
          end
          object Label55: TLabel
            Left = 50
            Top = 10
            Width = 18
            Height = 14
            Caption = '+18'
            Transparent = True
          end
          object Label56: TLabel
            Left = 50
            Top = 23
            Width = 18
            Height = 14
            Caption = '+10'
            Transparent = True
          end
          object Label57: TLabel
            Left = 50
            Top = 40
            Width = 18
            Height = 14
            Caption = '0'
            Transparent = True
          end
          object Label58: TLabel
            Left = 50
            Top = 57
            Width = 18
            Height = 14
            Caption = '-10'
            Transparent = True
          end
          object Label59: TLabel
            Left = 50
            Top = 72
            Width = 18
            Height = 14
            Caption = '-20'
            Transparent = True
          end
          object Label60: TLabel
            Left = 50
            Top = 95
            Width = 18
            Height = 14
            Caption = '-30'
            Transparent = True
          end
          object Label61: TLabel
            Left = 50
            Top = 109
            Width = 18
            Height = 14
            Caption = '-40'
            Transparent = True
          end
          object Label62: TLabel
            Left = 50
            Top = 163
            Width = 18
            Height = 14
            Caption = 'dB'
            Transparent = True
          end
          object Label63: TLabel
            Left = 12
            Top = 147
            Width = 8
            Height = 20
            Caption = #235
            Font.Charset = SYMBOL_CHARSET
            Font.Color = clBlack
            Font.Height = -16
            Font.Name = 'Symbol'
            Font.Style = []
            ParentFont = False
            Transparent = True
          end
          object Label64: TLabel
            Left = 33
            Top = 147
            Width = 8
            Height = 20
            Caption = #251
            Font.Charset = SYMBOL_CHARSET
            Font.Color = clBlack
            Font.Height = -16
            Font.Name = 'Symbol'
            Font.Style = []
            ParentFont = False
            Transparent = True
          end
          object SpeedButton1: TSpeedButton
            Tag = 2
            Left = 4
            Top = 134
            Width = 20
            Height = 16
            AllowAllUp = True
            GroupIndex = 1
            Caption = 'M'
            OnClick = btnMuteClick
          end
          object SpeedButton2: TSpeedButton
            Tag = 3
            Left = 28
            Top = 134
            Width = 20
            Height = 16
            AllowAllUp = True
            GroupIndex = 2
            Caption = 'M'
            OnClick = btnMuteClick
          end
          object chkLink34: TCheckBox
            Tag = -1
            Left = 19
            Top = 157
            Width = 15
            Height = 17
            Checked = True
            TabOrder = 0
            OnClick = chkLinkClick
          end
          object Slider2: TSlider
            Left = 12
            Top = 12
            Width = 4
            Height = 112
            Min = 31
            Max = 164
            Position = 31
            BtnHeight = 26
            BtnWidth = 18
            MoveRestriction = 6
            Number = 2
            LinkCheck = chkLink34
            OnChange = SliderChange
          end
          object Slider3: TSlider
            Left = 36
            Top = 12
            Width = 4
            Height = 112
            Min = 31
            Max = 164
            Position = 31
            BtnHeight = 26
            BtnWidth = 18
            MoveRestriction = 6
            Number = 3
            LinkCheck = chkLink34
            OnChange = SliderChange
          end
        end
      end
      object pnNumbers: TPanel
        Left = 0
        Top = 454
        Width = 155
        Height = 20
        BevelOuter = bvNone
        TabOrder = 0
        object Label65: TLabel
          Tag = 1
          Left = 4
          Top = 3
          Width = 20
          Height = 14
          Alignment = taCenter
          AutoSize = False
          Caption = '1'
        end
        object Label66: TLabel
          Tag = 2
          Left = 28
          Top = 3
          Width = 20
          Height = 14
          Alignment = taCenter
          AutoSize = False
          Caption = '2'
        end
        object Label67: TLabel
          Tag = 3
          Left = 84
          Top = 3
          Width = 20
          Height = 14
          Alignment = taCenter
          AutoSize = False
          Caption = '3'
        end
        object Label68: TLabel
          Tag = 4
          Left = 108
          Top = 3
          Width = 20
          Height = 14
          Alignment = taCenter
          AutoSize = False
          Caption = '4'
        end
      end
    end
  end
end
