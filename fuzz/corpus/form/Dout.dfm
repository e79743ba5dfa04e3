object frmDigOut: TfrmDigOut
  Left = 560
  Top = 60
  Width = 97
  Height = 486
  HorzScrollBar.Visible = False
  VertScrollBar.Visible = False
  BorderStyle = bsSizeToolWin
  Caption = 'KV D-Out'
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
    Top = 394
    Width = 89
    Height = 68
    Align = alClient
    BevelInner = bvRaised
    BevelOuter = bvLowered
    TabOrder = 1
    object chkPlaybackSel: TExtCheckBox
      Tag = -1
      Left = 8
      Top = 25
      Width = 97
      Height = 17
      Caption = '&Output'
      Checked = True
      TabOrder = 0
      OnClick = chkPlaybackSelClick
      CaptionEnglish = '&Output'
      CaptionGerman = '&Output'
    end
    object chkFormat: TExtCheckBox
      Tag = -1
      Left = 8
      Top = 7
      Width = 97
      Height = 17
      Caption = '&Format'
      Checked = True
      TabOrder = 0
      OnClick = chkFormatClick
      CaptionEnglish = '&Format'
      CaptionGerman = '&Format'
    end
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
  end
  object pnGround: TPanel
    Left = 0
    Top = 0
    Width = 89
    Height = 394
    Align = alTop
    BevelInner = bvRaised
    BevelOuter = bvLowered
    TabOrder = 0
    object pnFormatHeader: TPanel
      Left = 2
      Top = 2
      Width = 85
      Height = 24
      BevelOuter = bvNone
      Align = alTop
      TabOrder = 0
      object ExtLabel3: TExtLabel
        Left = 8
        Top = 4
        Width = 40
        Height = 16
        Caption = 'Format'
        Font.Charset = DEFAULT_CHARSET
        Font.Color = clBlack
        Font.Height = -13
        Font.Name = 'Arial'
        Font.Style = [fsBold, fsItalic]
        ParentFont = False
        CaptionEnglish = 'Format'
        CaptionGerman = 'Format'
      end
    end
    object UpperScroller: TPanel
      Left = 2
      Top = 26
      Width = 85
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
        Left = 81
        Top = 0
        Width = 4
        Height = 33
        BevelOuter = bvNone
        Align = alRight
        TabOrder = 0
      end
      object pnFormat: TScrollBox
        Left = 4
        Top = 0
        Width = 77
        Height = 33
        HorzScrollBar.Visible = False
        VertScrollBar.Visible = False
        Align = alClient
        BorderStyle = bsNone
        TabOrder = 0
      object Panel16: TPanel
        Left = 2
        Top = 0
        Width = 67
        Height = 33
        BevelOuter = bvNone
        TabOrder = 0
        object SpeedButton1: TSpeedButton
          Tag = 0
          Left = 0
          Top = 0
          Width = 53
          Height = 17
          GroupIndex = 3
          Caption = 'S/PDIF'
          Cursor = crHandPoint
          OnClick = FormatClick
        end
        object SpeedButton7: TSpeedButton
          Tag = 1
          Left = 0
          Top = 16
          Width = 53
          Height = 17
          GroupIndex = 3
          Caption = 'AES/EBU'
          Cursor = crHandPoint
          OnClick = FormatClick
        end
      end
      end
    end
    object pnMonHeader: TPanel
      Left = 2
      Top = 59
      Width = 85
      Height = 24
      BevelOuter = bvNone
      Align = alTop
      TabOrder = 0
      object Panel9: TPanel
        Left = 0
        Top = 0
        Width = 7
        Height = 24
        BevelOuter = bvNone
        Align = alLeft
        TabOrder = 0
      end
      object Panel10: TPanel
        Left = 78
        Top = 0
        Width = 7
        Height = 24
        BevelOuter = bvNone
        Align = alRight
        TabOrder = 0
      end
      object ExtLabel1: TExtLabel
        Left = 8
        Top = 4
        Width = 40
        Height = 16
        Caption = 'Output'
        Font.Charset = DEFAULT_CHARSET
        Font.Color = clBlack
        Font.Height = -13
        Font.Name = 'Arial'
        Font.Style = [fsBold, fsItalic]
        ParentFont = False
        CaptionEnglish = 'Output'
        CaptionGerman = 'Output'
      end
    end
    object Panel7: TPanel
      Left = 2
      Top = 83
      Width = 4
      Height = 309
      BevelOuter = bvNone
      Align = alLeft
      TabOrder = 0
    end
    object Panel11: TPanel
      Left = 83
      Top = 83
      Width = 4
      Height = 309
      BevelOuter = bvNone
      Align = alRight
      TabOrder = 0
    end
    object BottomScroller: TScrollBox
      Left = 6
      Top = 83
      Width = 77
      Height = 309
      HorzScrollBar.Increment = 80
      HorzScrollBar.Tracking = True
      HorzScrollBar.Visible = False
      VertScrollBar.Visible = False
      Align = alClient
      BorderStyle = bsNone
      TabOrder = 4
      object pnPlaybackSel: TPanel
        Left = 0
        Top = 4
        Width = 75
        Height = 101
        BevelOuter = bvNone
        TabOrder = 0
        object pnRoute12: TPanel
          Left = 2
          Top = 0
          Width = 67
          Height = 101
          BevelOuter = bvNone
          TabOrder = 0
          object SpeedButton2: TSpeedButton
            Tag = 4
            Left = 0
            Top = 0
            Width = 53
            Height = 17
            GroupIndex = 1
            Caption = 'Play Dig'
            Cursor = crHandPoint
            OnClick = MonButtonClick
          end
          object SpeedButton3: TSpeedButton
            Tag = 0
            Left = 0
            Top = 16
            Width = 53
            Height = 17
            GroupIndex = 1
            Caption = 'Play 1-2'
            Cursor = crHandPoint
            OnClick = MonButtonClick
          end
          object SpeedButton4: TSpeedButton
            Tag = 2
            Left = 0
            Top = 32
            Width = 53
            Height = 17
            GroupIndex = 1
            Caption = 'Play 3-4'
            Cursor = crHandPoint
            OnClick = MonButtonClick
          end
          object SpeedButton5: TSpeedButton
            Tag = 5
            Left = 0
            Top = 52
            Width = 53
            Height = 17
            GroupIndex = 1
            Caption = 'Rec Dig.'
            Cursor = crHandPoint
            OnClick = MonButtonClick
          end
          object SpeedButton6: TSpeedButton
            Tag = 1
            Left = 0
            Top = 68
            Width = 53
            Height = 17
            GroupIndex = 1
            Caption = 'Rec 1-2'
            Cursor = crHandPoint
            OnClick = MonButtonClick
          end
          object SpeedButton8: TSpeedButton
            Tag = 3
            Left = 0
            Top = 84
            Width = 53
            Height = 17
            GroupIndex = 1
            Caption = 'Rec 3-4'
            Cursor = crHandPoint
            OnClick = MonButtonClick
          end
        end
      end
      object pnMeters: TPanel
        Left = 0
        Top = 107
        Width = 75
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
      end
      object pnNumbers: TPanel
        Left = 0
        Top = 292
        Width = 75
        Height = 17
        BevelOuter = bvNone
        TabOrder = 0
        object Label31: TLabel
          Tag = 1
          Left = 4
          Top = 3
          Width = 20
          Height = 14
          Alignment = taCenter
          AutoSize = False
          Caption = 'L'
        end
        object Label32: TLabel
          Tag = 2
          Left = 28
          Top = 3
          Width = 20
          Height = 14
          Alignment = taCenter
          AutoSize = False
          Caption = 'R'
        end
      end
    end
  end
  object SecTimer: TTimer
    Enabled = False
    Interval = 1000
    OnTimer = SecTimerTimer
  end
end
